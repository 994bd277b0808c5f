#!/usr/bin/env bash
# Draws the launcher's artwork into assets/ with ImageMagick and the WenQuanYi Zen Hei font
# (Debian: imagemagick fonts-wqy-zenhei). The files are committed; operators who ship their
# own artwork replace them (same names, sizes and formats) and rebuild.
#   tools/gen_assets/make_assets.sh [output folder, default: assets/ beside this script's repository]
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
out=${1:-$here/../../assets}
mkdir -p "$out"
out=$(cd "$out" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

CJK=/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc
LATIN=DejaVu-Sans-Bold
[ -f "$CJK" ] || { echo "missing font $CJK (apt-get install fonts-wqy-zenhei)" >&2; exit 1; }
# -strip keeps the files free of time stamps, so a rerun gives the same bytes where the encoder allows.
IM=(convert -define png:exclude-chunks=date,time)

CANVAS='#e8ebef'   # the right-hand canvas; button corners are painted in it
ACCENT='#c9371f'   # brand red
INK='#39414d'      # caption text

jpeg() { "${IM[@]}" "$1" -strip -background "$CANVAS" -flatten -sampling-factor 1x1 -quality 93 "JPEG:$2"; }

# ---------- logo emblem (title strip and icon) ----------
emblem() { # size, output png with alpha
  local s=$1 f=$2
  "${IM[@]}" -size 128x128 xc:none \
    -fill '#8c1a0e' -draw "polygon 64,4 118,28 110,86 64,124 18,86 10,28" \
    -fill "$ACCENT" -draw "polygon 64,12 110,33 103,83 64,115 25,83 18,33" \
    -fill '#f0b429' -draw "polygon 64,22 98,38 93,78 64,104 35,78 30,38" \
    -fill "$ACCENT" -draw "polygon 64,30 90,42 86,74 64,95 42,74 38,42" \
    -fill white -draw "polygon 46,44 56,44 64,72 72,44 82,44 68,86 60,86" \
    -resize "${s}x${s}" -strip "PNG32:$f"
}
emblem 128 "$work/emblem128.png"
emblem 28 "$work/emblem28.png"

# ---------- background 988 x 727 ----------
W=988; H=727
# Left artwork: a night landscape with a moon, ridges, a tower and a sword, 360 px wide.
"${IM[@]}" -size 360x687 gradient:'#17233f-#4a2547' "$work/sky.png"
stars=""
for i in $(seq 1 70); do
  x=$(( (i * 137) % 360 )); y=$(( (i * 71) % 330 )); r=$(( i % 3 == 0 ? 1 : 0 ))
  stars+=" circle $x,$y $((x + r + 1)),$y"
done
"${IM[@]}" "$work/sky.png" \
  -fill 'rgba(255,255,255,0.55)' -draw "$stars" \
  \( -size 360x687 xc:none -fill 'rgba(255,214,140,0.18)' -draw "circle 250,150 250,60" -blur 0x18 \) -composite \
  -fill '#ffe2a8' -draw "circle 250,150 250,108" \
  -fill 'rgba(230,190,120,0.45)' -draw "circle 236,140 236,132 circle 262,168 262,162 circle 268,136 268,132" \
  -fill '#3a2a52' -draw "polygon 0,420 60,360 120,400 190,330 260,390 320,350 360,380 360,687 0,687" \
  -fill '#2a2040' -draw "polygon 0,500 80,430 150,470 220,420 300,480 360,450 360,687 0,687" \
  -fill '#1a1630' -draw "polygon 130,470 136,470 136,380 128,372 146,352 164,372 156,380 156,470 170,470 170,560 130,560" \
  -fill '#1a1630' -draw "polygon 100,500 110,450 120,500 180,500 190,440 200,500 200,560 100,560" \
  -fill '#f7c64d' -draw "rectangle 144,392 148,402 rectangle 182,470 186,478" \
  -fill '#120f22' -draw "polygon 0,560 100,520 200,545 290,515 360,540 360,687 0,687" \
  -fill '#cfd6e4' -draw "polygon 300,240 308,226 316,240 316,420 300,420" \
  -fill '#8f98ab' -draw "polygon 308,226 316,240 316,420 308,420" \
  -fill '#f0b429' -draw "roundrectangle 282,418 334,427 3,3 rectangle 304,427 312,466" \
  -fill '#f0b429' -draw "circle 308,472 308,465" \
  "$work/art.png"
"${IM[@]}" "$work/art.png" \
  -font "$CJK" -fill 'rgba(255,255,255,0.92)' -pointsize 34 -annotate +24+598 'VESKO' \
  -pointsize 18 -fill '#f0b429' -annotate +26+624 'T A L V E R I A' \
  "$work/art2.png"
# The health advice every online game in the region shows on its launcher.
"${IM[@]}" "$work/art2.png" \
  \( -size 360x40 xc:'rgba(0,0,0,0.45)' \) -geometry +0+647 -composite \
  -font "$CJK" -pointsize 11 -fill 'rgba(255,255,255,0.80)' \
  -annotate +12+665 '抵制不良游戏，拒绝盗版游戏。注意自我保护，谨防受骗上当。' \
  -annotate +12+681 '适度游戏益脑，沉迷游戏伤身。合理安排时间，享受健康生活。' \
  "$work/art3.png"

"${IM[@]}" -size ${W}x${H} xc:"$CANVAS" \
  -fill white -draw "rectangle 0,0 987,39" \
  -fill '#d5d9df' -draw "line 0,40 987,40" \
  -fill "$ACCENT" -draw "rectangle 0,0 987,2" \
  "$work/emblem28.png" -geometry +12+6 -composite \
  -font "$CJK" -pointsize 16 -fill "$INK" -annotate +48+27 'VeskoTalveria登录器' \
  -pointsize 11 -fill '#8a919c' -annotate +216+27 '官方正版 · 绿色安全' \
  "$work/art3.png" -geometry +0+40 -composite \
  -fill '#d5d9df' -draw "line 360,41 360,726" \
  -fill white -stroke '#c9ced6' -draw "rectangle 368,42 981,457" -stroke none \
  -fill '#dde1e7' -draw "rectangle 372,592 976,626" \
  -fill '#f4f6f8' -draw "rectangle 373,593 975,625" \
  -fill '#cfd4db' -draw "rectangle 377,616 969,620" \
  -fill '#4b5361' -draw "rectangle 361,708 987,726" \
  -font "$CJK" -pointsize 11 -fill '#aeb5c0' -annotate +372+721 '© VeskoTalveria 运营团队  版权所有' \
  -fill '#dde1e7' -draw "rectangle 378,632 500,700" \
  -fill '#f7f8fa' -draw "rectangle 379,633 499,699" \
  "$work/emblem28.png" -geometry +425+640 -composite \
  -font "$CJK" -pointsize 12 -fill "$INK" -annotate +392+684 '客服在线 8:00-24:00' \
  -alpha off -strip "PNG24:$out/background.png"

# ---------- picture buttons ----------
# link(face): w, caption, state (normal|hover), output
link_button() {
  local w=$1 text=$2 state=$3 dst=$4 face border ink arrow
  if [ "$state" = hover ]; then face='#fff1ec-#ffd9cc'; border="$ACCENT"; ink="$ACCENT"; arrow="$ACCENT"
  else face='#ffffff-#eef1f5'; border='#c3c9d2'; ink="$INK"; arrow='#9aa3b0'; fi
  "${IM[@]}" -size "${w}x40" xc:"$CANVAS" \
    \( -size "$((w - 2))x38" gradient:"$face" \) -geometry +1+1 -composite \
    -fill none -stroke "$border" -draw "roundrectangle 0,0 $((w - 1)),39 4,4" -stroke none \
    -font "$CJK" -pointsize 15 -fill "$ink" -gravity center -annotate -6+0 "$text" \
    -gravity northwest -fill "$arrow" -draw "polygon $((w - 16)),16 $((w - 11)),20 $((w - 16)),24" \
    "$work/btn.png"
  jpeg "$work/btn.png" "$dst"
}
for spec in "home:82:官网" "forum:82:论坛" "register:148:注册账号" "qqgroup:154:QQ群" "recharge:102:充值"; do
  IFS=: read -r name w text <<<"$spec"
  link_button "$w" "$text" normal "$out/btn_${name}_normal.jpg"
  link_button "$w" "$text" hover "$out/btn_${name}_hover.jpg"
done

# help tiles 148 x 77 with a small glyph above the caption; pressed sinks by one pixel.
help_glyph() { # index, vertical offset -> GLYPH: draw arguments for a glyph centred near 74,26
  local d=$2
  case $1 in
    1) GLYPH=(-fill '#3d7fd6' -draw "roundrectangle 60,$((12 + d)) 88,$((40 + d)) 3,3"
              -fill white -draw "rectangle 73,$((14 + d)) 75,$((38 + d))"
              -stroke white -draw "line 64,$((20 + d)) 70,$((20 + d)) line 64,$((26 + d)) 70,$((26 + d)) line 78,$((20 + d)) 84,$((20 + d)) line 78,$((26 + d)) 84,$((26 + d))" -stroke none) ;;
    2) GLYPH=(-fill none -stroke '#e08a1e' -strokewidth 4 -draw "circle 70,$((24 + d)) 70,$((15 + d))"
              -strokewidth 5 -draw "line 77,$((31 + d)) 86,$((40 + d))" -stroke none -strokewidth 1) ;;
    3) GLYPH=(-fill '#8e44ad' -draw "polygon 74,$((10 + d)) 88,$((22 + d)) 74,$((42 + d)) 60,$((22 + d))"
              -fill '#c08ae0' -draw "polygon 74,$((10 + d)) 80,$((22 + d)) 74,$((42 + d)) 68,$((22 + d))") ;;
    4) GLYPH=(-fill '#2e9d5b' -draw "rectangle 62,$((12 + d)) 86,$((36 + d))"
              -fill white -draw "polygon 74,$((32 + d)) 66,$((22 + d)) 71,$((22 + d)) 71,$((15 + d)) 77,$((15 + d)) 77,$((22 + d)) 82,$((22 + d))"
              -fill '#2e9d5b' -draw "rectangle 60,$((38 + d)) 88,$((41 + d))") ;;
  esac
}
help_button() { # index, caption, state, output
  local i=$1 text=$2 state=$3 dst=$4 face dy border
  if [ "$state" = pressed ]; then face='#e3e7ed-#eef1f5'; dy=1; border='#a9b1bd'
  else face='#ffffff-#eef1f5'; dy=0; border='#c3c9d2'; fi
  help_glyph "$i" $((dy + 2))
  "${IM[@]}" -size 148x77 xc:"$CANVAS" \
    \( -size 146x75 gradient:"$face" \) -geometry +1+1 -composite \
    "${GLYPH[@]}" \
    -fill none -stroke "$border" -draw "roundrectangle 0,0 147,76 5,5" -stroke none \
    -fill "$ACCENT" -draw "rectangle 6,$((66 + dy)) 9,$((69 + dy))" \
    -font "$CJK" -pointsize 14 -fill "$INK" -gravity south -annotate +0+$((10 - dy)) "$text" \
    "$work/help.png"
  jpeg "$work/help.png" "$dst"
}
i=0
for text in 新手指南 物品掉落查询 装备合成 安装问题; do
  i=$((i + 1))
  help_button $i "$text" normal "$out/btn_help${i}_normal.jpg"
  help_button $i "$text" pressed "$out/btn_help${i}_pressed.jpg"
done

# close and minimise glyphs on the white title strip, 15 x 16
"${IM[@]}" -size 15x16 xc:white -stroke '#5b6472' -strokewidth 2 -draw "line 3,4 11,12 line 11,4 3,12" "$work/close.png"
"${IM[@]}" "$work/close.png" -strip -quality 95 -sampling-factor 1x1 "JPEG:$out/btn_close_normal.jpg"
"${IM[@]}" -size 15x16 xc:white -fill '#5b6472' -draw "rectangle 3,10 11,11" "$work/min.png"
"${IM[@]}" "$work/min.png" -strip -quality 95 -sampling-factor 1x1 "JPEG:$out/btn_minimise_normal.jpg"

# the two big faces, 148 x 72: name, top colour, bottom colour, caption, subtitle, state
big_button() {
  local dst=$1 top=$2 bottom=$3 text=$4 sub=$5 dy=${6:-0} ink=${7:-white} rim=${8:-'#7a1208'}
  "${IM[@]}" -size 148x72 xc:"$CANVAS" \
    \( -size 148x72 gradient:"$top-$bottom" \
       \( -size 148x72 xc:black -fill white -draw "roundrectangle 0,0 147,71 8,8" \) \
       -alpha off -compose copyopacity -composite \) -compose over -composite \
    -fill none -stroke "$rim" -draw "roundrectangle 0,0 147,71 8,8" \
    -stroke 'rgba(255,255,255,0.35)' -draw "line 8,2 139,2" -stroke none \
    -font "$CJK" -pointsize 23 -fill "$ink" -gravity center -annotate +0+$((-8 + dy)) "$text" \
    -font "$LATIN" -pointsize 10 -fill "$ink" -annotate +0+$((17 + dy)) "$sub" \
    "$work/big.png"
  jpeg "$work/big.png" "$dst"
}
big_button "$out/btn_startgame_normal.jpg" '#e8503a' '#b0200f' '开始游戏' 'START GAME'
big_button "$out/btn_startgame_hover.jpg" '#f66a50' '#c62c16' '开始游戏' 'START GAME'
big_button "$out/btn_startgame_pressed.jpg" '#b8240f' '#d4432c' '开始游戏' 'START GAME' 1
big_button "$out/btn_startgame_disabled.jpg" '#c4c7cc' '#9a9ea6' '开始游戏' 'START GAME' 0 '#eceef1' '#80858e'
big_button "$out/btn_startupdate_normal.jpg" '#3f95ea' '#1459b4' '开始更新' 'UPDATE' 0 white '#0d3f85'
big_button "$out/btn_startupdate_hover.jpg" '#5aa8f2' '#1d6bc8' '开始更新' 'UPDATE' 0 white '#0d3f85'
big_button "$out/btn_startupdate_pressed.jpg" '#175fb8' '#3a8ee0' '开始更新' 'UPDATE' 1 white '#0d3f85'
big_button "$out/btn_startupdate_disabled.jpg" '#c4c7cc' '#9a9ea6' '开始更新' 'UPDATE' 0 '#eceef1' '#80858e'

# ---------- picture boxes ----------
# 图片框3: the caption over the server combo box; the box shows only its top 32 rows.
"${IM[@]}" -size 206x35 xc:"$CANVAS" \
  -fill white -stroke '#c3c9d2' -draw "roundrectangle 0,3 205,30 3,3" -stroke none \
  -fill "$ACCENT" -draw "rectangle 1,4 4,29" \
  -fill none -stroke '#3d7fd6' -strokewidth 1.5 -draw "circle 18,17 18,10 ellipse 18,17 3,7 0,360 line 11,17 25,17" -stroke none \
  -font "$CJK" -pointsize 13 -fill "$INK" -annotate +32+22 '请选择服务器' \
  -fill '#9aa3b0' -draw "polygon 186,14 196,14 191,20" \
  "$work/zone.png"
jpeg "$work/zone.png" "$out/zone_field.jpg"

# 图片框2: 12 x 13 computer screen; offline is grey, online blinks green in five frames.
screen() { # screen colour, glow colour, output
  "${IM[@]}" -size 12x13 xc:none \
    -fill '#5b6472' -draw "rectangle 0,0 11,8" \
    -fill "$1" -draw "rectangle 1,1 10,7" \
    -fill "$2" -draw "rectangle 2,2 4,3" \
    -fill '#5b6472' -draw "rectangle 5,9 6,10 rectangle 2,11 9,12" \
    "$3"
}
screen '#b9c0ca' '#dfe3e8' "$work/off.png"
"${IM[@]}" "$work/off.png" -strip "PNG32:$out/status_offline.png"
screen '#1f9d3a' '#7ee08f' "$work/on1.png"
screen '#2fbf4c' '#a6f0b2' "$work/on2.png"
screen '#47dd66' '#d3ffd9' "$work/on3.png"
screen '#2fbf4c' '#a6f0b2' "$work/on4.png"
screen '#188a31' '#5fcf73' "$work/on5.png"
"${IM[@]}" -dispose background -loop 0 \
  -delay 40 "$work/on1.png" -delay 12 "$work/on2.png" -delay 12 "$work/on3.png" -delay 12 "$work/on4.png" -delay 24 "$work/on5.png" \
  -strip "GIF:$out/status_online.gif"

# ---------- launcher icon: one 128 x 128 image, 32 bits per pixel ----------
"${IM[@]}" "$work/emblem128.png" -define icon:auto-resize=128 -compress none "ICO:$out/launcher.ico"

ls -l "$out"
