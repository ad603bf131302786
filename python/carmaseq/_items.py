"""Items as users give them (ints, names, other objects) and as the engine holds them (ids)."""

import numbers
import re

_ID_MAX = 2**31 - 1
_DECIMAL = re.compile(r"[0-9]+")


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

    def text(self, sequence):
        """The text the carmaseq command shows for a sequence of ids: "(a, b)(c)"."""
        if not sequence:
            return "()"
        return "".join("(" + ", ".join(str(self.decode(i)) for i in s) + ")" for s in sequence)

    def parse(self, text):
        """Reads the command's text syntax, "(bread, milk)(butter)", into a tuple of id tuples.

        Items inside parentheses are separated by commas, or by blanks when the set holds one
        unquoted text that is not an item's name; a name with parentheses, commas or quotes is
        typed in double quotes ("" for a quote). "()" is an item set with no items.
        """
        sets = []
        pos = 0
        while pos < len(text):
            if text[pos] in " \t\r\n":
                pos += 1
                continue
            if text[pos] != "(":
                raise ValueError(f"history {text!r}: expected '(' at offset {pos}")
            pos, ids = self._parse_set(text, pos + 1)
            sets.append(ids)
        return tuple(sets)

    def _parse_set(self, text, pos):
        tokens = []
        while True:
            pos, token, quoted = _read_token(text, pos)
            if not quoted and not token and text[pos] == ")" and not tokens:
                return pos + 1, ()
            tokens.append((token, quoted))
            pos += 1
            if text[pos - 1] == ")":
                break
        if len(tokens) == 1 and not tokens[0][1]:
            ids = self._unquoted(tokens[0][0])
        else:
            ids = [self._item(token, quoted) for token, quoted in tokens]
        return pos, tuple(sorted(set(ids)))

    def _find(self, text):
        """The id of a known name or a decimal id, else None."""
        if self.ids is not None and text in self.ids:
            return self.ids[text]
        if _DECIMAL.fullmatch(text) and int(text) <= _ID_MAX:
            return int(text)
        return None

    def _unquoted(self, whole):
        if self.ids is not None and whole in self.ids:
            return [self.ids[whole]]
        ids = [self._find(piece) for piece in whole.split()]
        if None in ids:
            raise ValueError(f"unknown item {whole!r}")
        return ids

    def _item(self, token, quoted):
        if not token:
            raise ValueError("empty item in a history (two commas in a row?)")
        found = (self.ids or {}).get(token) if quoted else self._find(token)
        if found is None:
            raise ValueError(f"unknown item {token!r}")
        return found

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


def _read_token(text, pos):
    """Reads one item's text from pos: (position of the ',' or ')' after it, text, quoted)."""
    def fail(why):
        raise ValueError(f"history {text!r}: {why}")
    while pos < len(text) and text[pos] in " \t":
        pos += 1
    if pos < len(text) and text[pos] == '"':
        chars = []
        pos += 1
        while True:
            if pos >= len(text):
                fail("a quoted item is not closed")
            if text[pos] != '"':
                chars.append(text[pos])
            elif pos + 1 < len(text) and text[pos + 1] == '"':
                chars.append('"')
                pos += 1
            else:
                break
            pos += 1
        pos += 1
        while pos < len(text) and text[pos] in " \t":
            pos += 1
        token, quoted = "".join(chars), True
    else:
        found = re.compile(r'[,()"]').search(text, pos)
        if found is None:
            fail("missing ')'")
        if found.group() in '("':
            fail("an item name with parentheses, commas or quotes must be quoted, "
                 "e.g. (\"flower (seeds)\", whole milk)")
        token, quoted = text[pos:found.start()].strip(" \t\r\n"), False
        pos = found.start()
    if pos >= len(text):
        fail("missing ')'")
    if text[pos] not in ",)":
        fail("expected ',' or ')' after a quoted item")
    return pos, token, quoted
