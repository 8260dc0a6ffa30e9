# Writes the hand-made seeds of fuzz_convert: a text followed by the bytes
# that FuzzedDataProvider reads from the end of the input, in the order
# fuzz_convert.cpp asks for them. Run: python3 fuzz/convert_seeds.py fuzz/corpus/fuzz_convert
import os, sys
out = sys.argv[1]
def enc(text, params):
    tail = []
    def rng(lo, hi, v):
        r = hi - lo; val = v - lo
        off = 0
        while off < 64 and (r >> off) > 0:
            off += 8
        n = off // 8
        for i in range(n - 1, -1, -1):
            tail.append((val >> (8 * i)) & 0xFF)
    I32 = lambda v: rng(-2**31, 2**31 - 1, v)
    for kind, *a in params:
        if kind == 'r': rng(*a)
        elif kind == 'side':
            v = a[0]
            if v > 150: rng(0, 3, 0); rng(1, 600, v)
            else: rng(0, 3, 1); rng(1, 150, v)
        elif kind == 'b': rng(0, 255, 1 if a[0] else 0)
        elif kind == 'u32': rng(0, 2**32 - 1, a[0])
        elif kind == 'i32': I32(a[0])
        elif kind == 'var':
            usual, mode, v = a
            rng(0, 3, mode)
            if mode == 0: rng(0, usual, v)
            elif mode == 1: rng(-3, -1, v)
            elif mode == 2: rng(0, 5, v)
            else: I32(v)
    return text.encode('latin-1') + bytes(reversed(tail))

def conv(name, text, w, h, one, seed=1, bg=None, ho=(0,0), ve=(0,0), rausch=(0,0), size=8, style=0, pitch=0, cset=0, fc=None):
    p = [('side',w),('side',h),('b',one),('u32',seed),('b',bg is not None)]
    if bg is not None: p.append(('i32',bg))
    p += [('var',10,*ho),('var',10,*ve),('var',30,*rausch),('r',0,60,size),('r',0,15,style),('r',0,2,pitch),('r',0,255,cset),('b',fc is not None)]
    if fc is not None: p.append(('i32',fc))
    open(os.path.join(out, name), 'wb').write(enc(text, p))

conv('two-letters-no-jitter', "ab", 300, 400, False)
conv('pages-small-page', "Der Text l\xe4uft \xfcber mehrere Seiten.\r\nZweite Zeile\nohne CR\rnur CR\r\n" * 3, 120, 40, False, seed=7, ho=(0,3), ve=(0,2), rausch=(0,5))
conv('one-picture-grows', "Zeile eins\r\n\r\n\r\n\r\nnach Leerzeilen\r\n" * 4, 150, 30, True, seed=99, rausch=(0,30), size=12, style=3)
conv('code-20-and-nul', "a\x14b\x00c d\r\n\r\n", 200, 100, False, size=10)
conv('page-lower-than-font', "xyz", 100, 15, False, size=20)
conv('size-zero-font', "abc\r\ndef\r\nghi", 100, 50, False, size=0)
conv('negative-jitter', "negative", 200, 100, False, ho=(1,1), ve=(1,2), rausch=(1,0))
conv('huge-rausch-wraps', "noise", 600, 600, False, rausch=(2,0))
conv('int-min-jitter', "jitter", 300, 200, True, ho=(2,0), ve=(2,1))
conv('cyrillic-bold-italic-colours', "\xcf\xf0\xe8\xe2\xe5\xf2 \xec\xe8\xf0", 250, 120, False, bg=0x00102030, fc=-0x7FFFFFF8 - 0x01, size=16, style=15, pitch=2, cset=204)
conv('large-font-one-picture', "W" * 40 + "\r" + "j" * 30, 600, 90, True, size=60, style=2)
