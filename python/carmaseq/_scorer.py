"""Scoring customers' records through the scoring plug-in module, as a production host does."""

import os

import pandas as pd

from . import _carmaseq
from ._dask import is_dask_frame, score_dask

_FIELDS = ("sequence", "returnType", "maxReturn", "fromCurrent")


def _default_plugin():
    installed = os.path.join(os.path.dirname(__file__), _carmaseq.INSTALLED_PLUGIN_PATH)
    for path in (installed, _carmaseq.BUILD_PLUGIN_PATH):
        if os.path.exists(path):
            return path
    raise FileNotFoundError(f"no scoring plug-in at {installed} or {_carmaseq.BUILD_PLUGIN_PATH}")


def _sequence_text(value):
    """A record's history as the plug-in reads it: text as is, a list of item sets of ids."""
    if isinstance(value, str):
        return value
    return "".join("(" + " ".join(str(int(i)) for i in s) + ")" for s in value)


def _field_text(name, value):
    if name == "sequence":
        return _sequence_text(value)
    if isinstance(value, bool):
        return "1" if value else "0"
    if isinstance(value, float) and value.is_integer():
        return str(int(value))  # a whole number from a column that also holds NaN
    return str(value)


def _absent(value):
    if value is None:
        return True
    try:
        return bool(pd.isna(value))
    except (TypeError, ValueError):
        return False


class Scorer:
    """The scoring plug-in with the model it built from a lattice document.

    Parameters
    ----------
    lattice : str or os.PathLike
        A lattice document (:meth:`Model.to_lattice`, ``carmaseq mine --lattice``).
    plugin : str, optional
        The plug-in module; by default the one installed with the package, else the one of the
        build the package comes from.
    encoding : str
        Encoding of the document's text in the model.

    Raises
    ------
    FileNotFoundError
        No document or no plug-in.
    OSError
        The plug-in cannot be loaded.
    ValueError
        The document is not well-formed or the plug-in rejects it.
    """

    def __init__(self, lattice, *, plugin=None, encoding="UTF-8"):
        self._lattice = os.path.abspath(os.fspath(lattice))
        self._plugin = os.path.abspath(plugin or _default_plugin())
        self._encoding = encoding
        self._session = _carmaseq.Scorer(self._plugin, self._lattice, encoding)

    def score(self, records, *, id_field="id"):
        """Scores case records, one result per record, as ``carmaseq-score`` does.

        Parameters
        ----------
        records : pandas.DataFrame, dask.dataframe.DataFrame or list of dict
            Fields ``sequence`` (a history of item ids: text such as ``"(1 2)(3)"``, or a
            list of lists of ids), ``returnType`` (``"futureItems"``, else items joining the
            newest set), ``maxReturn`` (default 20), ``fromCurrent`` (its presence also predicts
            from the history without its newest sets) and the id field. Missing values (None,
            NaN) are absent fields.
        id_field : str
            The field passed through as the id.

        Returns
        -------
        pandas.DataFrame
            id, target, predictions: a list of (item, confidence, support, cause) tuples, best
            first.

        Raises
        ------
        RuntimeError
            The model fails to score a record.
        """
        if is_dask_frame(records):
            return score_dask(records, self._lattice, self._plugin, self._encoding, id_field)
        if isinstance(records, pd.DataFrame):
            records = records.to_dict("records")
        cases = []
        for record in records:
            cases.append([(str(k), _field_text(k, v)) for k, v in record.items()
                          if not _absent(v) and (k in _FIELDS or k == id_field)])
        results = self._session.score(cases, id_field)
        return pd.DataFrame(results, columns=["id", "target", "predictions"])
