"""The package's exception."""


class InputError(ValueError):
    """Malformed input data: a bad line of a file, or a bad cell of a DataFrame.

    Attributes
    ----------
    source : str
        The file name, or ``"DataFrame"``.
    line : int or None
        The 1-based line of the file (None for a DataFrame).
    row : object or None
        The index label of the DataFrame row (None for a file).
    column : str or None
        The DataFrame column (None for a file).
    reason : str
        What is wrong.
    """

    def __init__(self, message, *, source=None, line=None, row=None, column=None, reason=None):
        super().__init__(message)
        self.source = source
        self.line = line
        self.row = row
        self.column = column
        self.reason = reason if reason is not None else message

    @classmethod
    def in_frame(cls, row, column, reason):
        """The error for the cell at (row, column) of a DataFrame."""
        message = f"DataFrame row {row!r}, column {column!r}: {reason}"
        return cls(message, source="DataFrame", row=row, column=column, reason=reason)
