"""The text the OCR benchmarks draw: 40 lines of three to six English words,
the same every time, CR LF line ends.

    python3 bench/ocr_text.py FILE
"""
import random
import sys

random.seed(3)
words = ("the quick brown fox jumps over lazy dog Lumo draws every character with exact ground truth "
         "for training text recognisers while jitter and noise make each picture look hand set").split()
lines = [" ".join(random.choice(words) for _ in range(random.randint(3, 6))) for _ in range(40)]
open(sys.argv[1], "w", newline="").write("\r\n".join(lines) + "\r\n")
