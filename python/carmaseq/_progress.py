"""Progress of a long mining run: a tqdm bar where tqdm is installed."""

import sys
import time


class Progress:
    """The callback the miner reports to: (first items done, first items in all, sequences).

    ``mode`` is None (a bar once the run has lasted `delay` seconds, when tqdm is installed),
    True (a bar from the start; a plain line on standard error without tqdm), False (nothing),
    or a callable taking the three numbers.
    """

    def __init__(self, mode, delay=1.0):
        self._mode = mode
        self._delay = 0.0 if mode is True else delay
        self._start = time.monotonic()
        self._bar = None
        self._line = False

    @property
    def callback(self):
        return None if self._mode is False else self

    def __call__(self, done, total, found):
        if callable(self._mode) and self._mode is not True:
            self._mode(done, total, found)
            return
        if time.monotonic() - self._start < self._delay or total <= 0:
            return
        if self._bar is None and not self._line:
            self._bar = self._new_bar(total)
            self._line = self._bar is None and self._mode is True
        if self._bar is not None:
            self._bar.total = total
            self._bar.n = done
            self._bar.set_postfix(sequences=found, refresh=False)
            self._bar.refresh()
        elif self._line:
            sys.stderr.write(f"\rmining: {done}/{total} first items, {found} sequences")
            sys.stderr.flush()

    @staticmethod
    def _new_bar(total):
        try:
            from tqdm.auto import tqdm
        except ImportError:
            return None
        return tqdm(total=total, desc="mining", unit="item", leave=False)

    def close(self):
        if self._bar is not None:
            self._bar.close()
            self._bar = None
        if self._line:
            sys.stderr.write("\r\x1b[K")
            sys.stderr.flush()
            self._line = False
