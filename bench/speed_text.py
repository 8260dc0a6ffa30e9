#!/usr/bin/env python3
# The speed benchmarks' text: words, lines of 60 to 80 characters ended by
# CR LF, 1 MB (or SIZE bytes), always the same bytes.
#   bench/speed_text.py FILE [SIZE]
import sys
words = ("lorem ipsum dolor sit amet consectetur adipiscing elit sed do eiusmod tempor incididunt ut "
         "labore et dolore magna aliqua Lumo zeichnet Text").split()
state, line, text = 12345, 0, []
size = 0
limit = int(sys.argv[2]) if len(sys.argv) > 2 else 1 << 20
while size < limit:
    state = (state * 1103515245 + 12345) % 2**32
    word = words[(state >> 16) % len(words)]
    text.append(word)
    size += len(word) + 1
    line += 6
    if line > 60 + (state >> 8) % 20:
        text.append("\r\n")
        line = 0
    else:
        text.append(" ")
open(sys.argv[1], "w", newline="").write("".join(text)[:limit])
