"""Characters read wrong, in percent: every IMAGE.gt.txt in a folder against
the IMAGE.read beside it (what tesseract read), as the edit distance over the
texts' length. Both are compared in NFKC: tesseract's Greek reads the letter
mu as the micro sign, which is the same picture. With --no-blanks, blanks
are dropped first (tesseract puts them between Chinese characters).

    python3 bench/cer.py FOLDER [--no-blanks]
"""
import glob
import sys
import unicodedata


def distance(a, b):
    previous = list(range(len(b) + 1))
    for i, x in enumerate(a, 1):
        current = [i]
        for j, y in enumerate(b, 1):
            current.append(min(previous[j] + 1, current[j - 1] + 1, previous[j - 1] + (x != y)))
        previous = current
    return previous[-1]


def clean(text, no_blanks):
    text = unicodedata.normalize("NFKC", text.strip())
    return "".join(text.split()) if no_blanks else text


def main():
    folder = sys.argv[1]
    no_blanks = "--no-blanks" in sys.argv[2:]
    wrong = total = 0
    for truth in sorted(glob.glob(folder + "/*.gt.txt")):
        text = clean(open(truth, encoding="utf-8").read(), no_blanks)
        read = clean(open(truth[: -len(".gt.txt")] + ".read", encoding="utf-8").read(), no_blanks)
        wrong += distance(text, read)
        total += len(text)
    print(f"{100 * wrong / total:.1f}")


main()
