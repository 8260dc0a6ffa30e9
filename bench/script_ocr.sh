#!/usr/bin/env bash
# How well tesseract reads Lumo's UTF-8 line images in other scripts: 30 lines
# of Russian, Greek, Simplified Chinese and English (for comparison) drawn at
# 12 pt (16 px at 96 dpi) without jitter or noise, cut into line images with
# lumo-render --lines, and the same lines drawn by tesseract's text2image in
# the same font and pixel size, one image a line. Each image is read by
# tesseract as one line; prints the characters read wrong (edit distance)
# against the line texts, in percent.
#   bench/script_ocr.sh [LUMO-RENDER]
set -euo pipefail
render=${1:-$(dirname "$0")/../build/cli/lumo-render}
for tool in tesseract text2image; do
    command -v "$tool" >/dev/null || { echo "$tool is not installed (tesseract-ocr)" >&2; exit 1; }
done
export OMP_THREAD_LIMIT=${OMP_THREAD_LIMIT:-1}   # one thread a tesseract: the lines are small
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cat > "$work/text.py" <<'PY'
import random, sys
words = {
    "rus": "дом мир год день жизнь работа слово место город время вода земля рука книга школа друг "
           "мама окно солнце ночь утро лес река море небо дорога хлеб молоко чай стол письмо язык "
           "песня улица старый новый большой хороший белый чёрный красный тихо быстро сегодня завтра "
           "всегда здесь читать писать думать говорить ёлка",
    "ell": "σπίτι κόσμος χρόνος μέρα ζωή δουλειά λέξη πόλη νερό γη χέρι βιβλίο σχολείο φίλος μητέρα "
           "παράθυρο ήλιος νύχτα πρωί δάσος ποτάμι θάλασσα ουρανός δρόμος ψωμί γάλα τραπέζι γράμμα "
           "γλώσσα τραγούδι μεγάλος καλός άσπρος μαύρος κόκκινος σήμερα αύριο πάντα εδώ διαβάζω "
           "γράφω σκέφτομαι μιλάω Αθήνα Ελλάδα",
    "chi_sim": "我们 中国 今天 明天 学习 工作 朋友 时间 问题 生活 学生 老师 天气 喜欢 知道 东西 地方 "
               "电话 米饭 水果 医生 家里 城市 国家 大家 觉得 开始 现在 已经 非常 一起 电脑 书店 吃饭 "
               "睡觉 公司 汽车 火车 飞机 孩子 人民 山水 春天 花园 银行 读书 写字 你好",
    "eng": "house world year day life work word place city time water earth hand book school friend "
           "mother window sun night morning forest river sea sky road bread milk tea table letter "
           "language song street old new big good white black red quiet fast today tomorrow always "
           "here read write think speak London England",
}[sys.argv[1]].split()
joint = "" if sys.argv[1] == "chi_sim" else " "
rng = random.Random(7)
lines = [joint.join(rng.choice(words) for _ in range(rng.randint(3, 5))) for _ in range(30)]
open(sys.argv[2], "w", encoding="utf-8", newline="").write("\n".join(lines) + "\n")
PY

cer=$(dirname "$0")/cer.py

# read LANG DIR IMAGE...: the first line tesseract reads in every image, into IMAGE.read
read_lines() {
    local lang=$1 dir=$2 image
    for image in "$dir"/*.png "$dir"/*.tif; do
        [[ -e $image ]] || continue
        tesseract "$image" stdout --psm 7 -l "$lang" 2>/dev/null | head -n 1 > "${image%.*}.read"
    done
}

installed=$(tesseract --list-langs 2>/dev/null)
echo "| script | language pack | font | lines | Lumo CER % | text2image CER % |"
echo "|---|---|---|---|---|---|"
for row in "Russian:rus:Noto Sans" "Greek:ell:Noto Sans" "Simplified Chinese:chi_sim:WenQuanYi Micro Hei" \
           "English:eng:Noto Sans"; do
    IFS=: read -r script lang font <<< "$row"
    if ! grep -qx "$lang" <<< "$installed"; then
        echo "| $script | $lang | $font | - | skipped: tesseract-ocr-${lang//_/-} not installed | - |"
        continue
    fi
    dir=$work/$lang
    mkdir -p "$dir/t2i"
    python3 "$work/text.py" "$lang" "$dir/text.txt"
    if ! "$render" --list-fonts "$dir/text.txt" --encoding utf-8 | grep -qxF "$font"; then
        echo "| $script | $lang | $font | - | skipped: $font lacks glyphs of the text | - |"
        continue
    fi
    "$render" --encoding utf-8 --seed 1 --size 12 --page 900x1400 --jitter-x 0 --jitter-y 0 --noise 0 \
        --font "$font" --lines "$dir/lumo" --quiet "$dir/text.txt" "$dir/page.png"
    read_lines "$lang" "$dir/lumo"

    # text2image draws every line alone at 12 pt and 96 dpi, so 16 px as in Lumo, unspoilt, on a
    # page as big as Lumo's line image plus its margin of 8 px (half the font height) each side
    for truth in "$dir"/lumo/*.gt.txt; do
        name=$(basename "${truth%.gt.txt}")
        read -r width height < <(od -An -tu1 -j16 -N8 "$dir/lumo/$name.png" |
            awk '{ print $1*16777216 + $2*65536 + $3*256 + $4, $5*16777216 + $6*65536 + $7*256 + $8 }')
        cp "$truth" "$dir/t2i/$name.gt.txt"
        text2image --text "$truth" --outputbase "$dir/t2i/$name" --font "$font" \
            --fonts_dir /usr/share/fonts --fontconfig_tmpdir "$work" --ptsize 12 --resolution 96 \
            --degrade_image=false --rotate_image=false --margin 8 \
            --xsize $((width + 16)) --ysize $((height + 16)) >/dev/null 2>&1
        if awk '$NF != 0 { found = 1 } END { exit !found }' "$dir/t2i/$name.box"; then
            echo "text2image broke $lang line $name onto a second page" >&2
        fi
    done
    read_lines "$lang" "$dir/t2i"

    lines=$(find "$dir/lumo" -name '*.gt.txt' | wc -l)
    blanks=
    [ "$lang" = chi_sim ] && blanks=yes
    echo "| $script | $lang | $font | $lines | $(python3 "$cer" "$dir/lumo" ${blanks:+--no-blanks}) |" \
         "$(python3 "$cer" "$dir/t2i" ${blanks:+--no-blanks}) |"
done
