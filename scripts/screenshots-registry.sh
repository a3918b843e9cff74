#!/usr/bin/env bash
# Screenshots of the registry, its photo screen (fake camera), its import page and the colour
# screen, under Xvfb with xdotool, into the current folder. Needs a release build and an
# station home folder (HOME_DIR, default ./home) holding a few employees.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
export TALVENOX_HOME=${HOME_DIR:-$PWD/home} TALVENOX_CAMERA=fake DISPLAY=:93
unset QT_QPA_PLATFORM
bin=$root/build/release/bin/talvenox-registry
Xvfb :93 -screen 0 1024x768x24 >/dev/null 2>&1 & xv=$!
sleep 2
$bin >/dev/null 2>&1 & app=$!
sleep 4
w=$(xdotool search --name "^Cadastro Biometrico$" | head -1)
echo "window $w"
xdotool windowmove $w 0 0; sleep 1
import -window root -crop 800x540+0+0 registry.png
# the photo screen on the fake camera
xdotool mousemove 668 205 click 1; sleep 3
import -window root photo-root.png
p=$(xdotool search --name "^Captura de Foto$" | head -1)
echo "photo $p"
import -window $p photo.png
xdotool mousemove --window $p 22 186 click 1; sleep 1
xdotool search --name "^Captura de Foto$" && echo "photo screen still open"
sleep 1
# the import page
xdotool mousemove 150 12 click 1; sleep 1
xdotool mousemove 280 359 click 1; sleep 0.5
xdotool type --delay 20 "/srv/rh/funcionarios.txt"; sleep 1
import -window root -crop 800x540+0+0 import.png
kill $app; sleep 1
$bin --cores >/dev/null 2>&1 & app=$!
sleep 4
c=$(xdotool search --name "Configura" | head -1)
xdotool windowmove $c 0 0; sleep 1
import -window root -crop 420x360+0+0 colours.png
kill $app
kill $xv
