#!/usr/bin/env bash
# Takes the README's screenshots of the styled preview under Xvfb, as a user
# sees it: the program shows doc/preview-sample.md, the Preview tab is clicked,
# and the window is saved, once with the default colours (doc/preview-light.png)
# and once with qt6ct's "darker" colour scheme (doc/preview-dark.png).
# Needs xvfb, xauth, x11-utils, xdotool, imagemagick and qt6ct (installed when missing).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
ensure_packages "${BUILD_PACKAGES[@]}" "${APP_PACKAGES[@]}" xvfb xauth x11-utils xdotool imagemagick qt6ct
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j2 --target glyphmill >/dev/null
if [ "$(id -u)" -eq 0 ]; then
  export QTWEBENGINE_DISABLE_SANDBOX=1
fi
document=${1:-doc/preview-sample.md}
# Settings and data go to a home folder of its own, so the user's stay out.
home=$(mktemp -d /tmp/glyphmill-screenshot.XXXXXX)
trap 'rm -rf "$home"' EXIT
mkdir -p "$home/.config/qt6ct"
printf '[Appearance]\ncolor_scheme_path=/usr/share/qt6ct/colors/darker.conf\ncustom_palette=true\nstyle=Fusion\n' \
  >"$home/.config/qt6ct/qt6ct.conf"

# shoot OUTPUT [VARIABLE=VALUE...]: the screenshot, the program run with those variables.
shoot() {
  local output=$1
  shift
  env HOME="$home" "$@" xvfb-run --auto-servernum --server-args="-screen 0 1024x720x24" bash -c '
    build/app/glyphmill "$1" &
    app=$!
    sleep 4  # the window, the start conversion and the first paint
    window=$(xdotool search --onlyvisible --name "Glyphmill" | head -n 1)
    eval "$(xdotool getwindowgeometry --shell "$window")"
    # The "Preview" tab sits left of the middle, just above the bottom bar.
    xdotool mousemove $((X + WIDTH * 481 / 784)) $((Y + HEIGHT - 77)) click 1
    sleep 5  # the page, its scripts and fonts
    import -window root "$2.screen.png"
    convert "$2.screen.png" -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$2"
    rm "$2.screen.png"
    kill $app
  ' _ "$document" "$output"
  echo "Saved $output"
}

shoot doc/preview-dark.png XDG_CONFIG_HOME="$home/.config" QT_QPA_PLATFORMTHEME=qt6ct
shoot doc/preview-light.png
