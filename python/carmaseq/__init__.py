"""carmaseq: sequential association rules of customers' histories.

Mine a pandas DataFrame of transactions (one row per purchased item), then query the model::

    import carmaseq
    model = carmaseq.mine(df, customer="Member_number", time="Date",
                          item="itemDescription", min_support=0.005)
    model.rules(min_confidence=0.5)           # DataFrame of rules
    model.predict(["whole milk", "yogurt"])   # DataFrame of predicted items
    model.to_lattice("lattice.xml")
    carmaseq.Scorer("lattice.xml").score(records)

See ``help(carmaseq.mine)`` and ``help(carmaseq.Model)``.
"""

from . import _carmaseq
from ._errors import InputError
from ._input import Database, database, read_csv, read_spmf
from ._model import Model, load, mine
from ._partitioned import candidates, count, merge, unite

if hasattr(_carmaseq, "Scorer"):  # a build with the scoring plug-in
    from ._scorer import Scorer

__all__ = ["Database", "InputError", "Model", "Scorer", "candidates", "count", "database", "load",
           "merge", "mine", "read_csv", "read_spmf", "unite"]
