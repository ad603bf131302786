"""Items as users give them (ints, names, other objects) and as the engine holds them (ids)."""

import numbers

_ID_MAX = 2**31 - 1


class Items:
    """The two-way map between a model's items and the engine's item ids.

    ``labels`` maps id to the item as the user gave it (a name, or any hashable object); without
    labels the items are the ids themselves.
    """

    def __init__(self, labels=None):
        self.labels = dict(labels) if labels is not None else None
        self.ids = {v: k for k, v in self.labels.items()} if self.labels is not None else None

    def decode(self, item_id):
        if self.labels is None:
            return item_id
        return self.labels.get(item_id, item_id)

    def decode_sequence(self, sequence):
        """A tuple of id tuples as a tuple of item tuples."""
        if self.labels is None:
            return sequence
        get = self.labels.get
        return tuple(tuple(get(i, i) for i in s) for s in sequence)

    def encode(self, item):
        """The id of one item: a known label, else an int id in range. Raises ValueError."""
        if self.ids is not None:
            found = self.ids.get(item)
            if found is not None:
                return found
        if isinstance(item, numbers.Integral) and not isinstance(item, bool):
            if 0 <= item <= _ID_MAX and (self.labels is None or int(item) in self.labels):
                return int(item)
        raise ValueError(f"unknown item {item!r}")

    def encode_text_item(self, token):
        """The id of an item typed in the text syntax: a known name or a decimal id."""
        if self.ids is not None and token in self.ids:
            return self.ids[token]
        if token.isdigit() and int(token) <= _ID_MAX:
            return int(token)
        if not token:
            raise ValueError("empty item in a history (two commas in a row?)")
        raise ValueError(f"unknown item {token!r}")

    def text(self, sequence):
        """The text the carmaseq command shows for a sequence of ids: "(a, b)(c)"."""
        if not sequence:
            return "()"
        return "".join("(" + ", ".join(str(self.decode(i)) for i in s) + ")" for s in sequence)

    def parse(self, text):
        """Reads the command's text syntax, "(bread, milk)(butter)", into a tuple of id tuples.

        Items inside parentheses are separated by commas, or by blanks when the set holds no
        comma and its whole text is not an item's name. Empty sets are dropped.
        """
        sets = []
        pos = 0
        while pos < len(text):
            c = text[pos]
            if c in " \t\r\n":
                pos += 1
                continue
            if c != "(":
                raise ValueError(f"history {text!r}: expected '(' at offset {pos}")
            close = text.find(")", pos)
            if close < 0:
                raise ValueError(f"history {text!r}: missing ')'")
            content = text[pos + 1:close]
            whole = content.strip()
            if "," in content:
                tokens = [t.strip() for t in content.split(",")]
            elif whole and self.ids is not None and whole in self.ids:
                tokens = [whole]
            else:
                tokens = whole.split()
            ids = tuple(sorted({self.encode_text_item(t) for t in tokens}))
            if ids:
                sets.append(ids)
            pos = close + 1
        return tuple(sets)

    def history(self, history):
        """A history as the engine takes it: a tuple of id tuples.

        A string starting with "(" is the text syntax; any other string or non-list object is
        one item; a list of items is one item set; a list of lists is a sequence of item sets.
        """
        if isinstance(history, str):
            if history.lstrip().startswith("("):
                return self.parse(history)
            return ((self.encode(history),),)
        if not _is_list(history):
            return ((self.encode(history),),)
        history = list(history)
        if history and all(_is_list(s) for s in history):
            sets = (tuple(sorted({self.encode(i) for i in s})) for s in history)
            return tuple(s for s in sets if s)
        if any(_is_list(s) for s in history):
            raise ValueError("a history is a list of items or a list of item sets, not a mix")
        ids = tuple(sorted({self.encode(i) for i in history}))
        return (ids,) if ids else ()


def _is_list(value):
    return isinstance(value, (list, tuple, set, frozenset)) or (
        hasattr(value, "__array__") and getattr(value, "ndim", 0) == 1)
