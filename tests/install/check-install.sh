#!/usr/bin/env bash
# Installs the build into a private tree and checks it as a desktop would: the
# desktop entry and the AppStream file validate, the MIME type makes a .zkt file a
# Zeitkant project whose default application is Zeitkant, and the entry's command
# line starts the program with a file.
set -euo pipefail
build=$1
project=$2
root=$(mktemp -d)
trap 'kill "${program:-}" 2>/dev/null || true; rm -rf "$root"' EXIT

DESTDIR="$root" cmake --install "$build" --prefix /usr >/dev/null
share="$root/usr/share"
test -x "$root/usr/bin/zeitkant"
for name in apps/de.zeitkant.Zeitkant mimetypes/application-x-zeitkant; do
    test -s "$share/icons/hicolor/scalable/$name.svg"
    for size in 48 128 256; do
        file "$share/icons/hicolor/${size}x$size/$name.png" | grep -q "$size x $size"
    done
done
desktop-file-validate "$share/applications/de.zeitkant.Zeitkant.desktop"
appstreamcli validate --no-net "$share/metainfo/de.zeitkant.Zeitkant.metainfo.xml" >/dev/null

export XDG_DATA_HOME="$root/data" XDG_CONFIG_HOME="$root/config" XDG_STATE_HOME="$root/state"
export XDG_DATA_DIRS=/usr/share XDG_RUNTIME_DIR="$root/runtime"
mkdir -p "$XDG_DATA_HOME/mime/packages" "$XDG_DATA_HOME/applications" "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
cp "$share/mime/packages/de.zeitkant.Zeitkant.xml" "$XDG_DATA_HOME/mime/packages/"
update-mime-database "$XDG_DATA_HOME/mime"
cp "$share/applications/de.zeitkant.Zeitkant.desktop" "$XDG_DATA_HOME/applications/"
update-desktop-database "$XDG_DATA_HOME/applications"
cp "$project" "$root/x.zkt"
filetype=$(xdg-mime query filetype "$root/x.zkt")
[ "$filetype" = application/x-zeitkant ] || { echo "filetype: $filetype"; exit 1; }
default=$(xdg-mime query default application/x-zeitkant)
[ "$default" = de.zeitkant.Zeitkant.desktop ] || { echo "default: $default"; exit 1; }

# The entry's command line, with the installed program and the file for %f; the
# program records the file it opened among the recently used ones.
exec_line=$(sed -n 's/^Exec=//p' "$share/applications/de.zeitkant.Zeitkant.desktop")
command=${exec_line/zeitkant/$root/usr/bin/zeitkant}
command=${command/\%f/$root/x.zkt}
QT_QPA_PLATFORM=offscreen $command >/dev/null 2>&1 &
program=$!
for _ in $(seq 200); do
    if grep -q "file://$root/x.zkt" "$XDG_DATA_HOME/recently-used.xbel" 2>/dev/null; then
        echo "installed tree checked"
        exit 0
    fi
    sleep 0.1
done
echo "the program did not open the file"
exit 1
