#!/usr/bin/env bash
# Installs into a staging folder (with a blank in its name), twice, beside
# another program's files, then uninstalls. What would fail:
# - a file written or a folder created by install but not recorded, or a
#   second install that loses the record of what the first one created: the
#   uninstall leaves it behind;
# - an uninstall that removes what it did not write (another program's files
#   in the shared folders, or those folders themselves, also a folder that
#   install created and another program has put a file in since);
# - paths not quoted in the install script (the staging folder's blank);
# - the desktop file rejected by desktop-file-validate: the desktop ignores it;
# - the icons not readable as PNG, of the wrong size or without transparency;
# - the thumbnailer's Exec line, run as a thumbnail factory runs it, not
#   matching the renderer's command line: no thumbnails in the file manager;
# - a .ans file not given, by the MIME type the install registers, to the
#   desktop file and the thumbnailer; the MIME database's files left behind.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail=0
problem() { echo "install: $*" >&2; fail=1; }

stage="$work/stage dir"
prefix=/usr
renderer=${TAVELIN_RENDER:-$here/build/release/tavelin-render}
echo stand-in >"$work/tavelin.exe"
run() { DESTDIR="$stage" PREFIX=$prefix TAVELIN_EXE="$work/tavelin.exe" TAVELIN_RENDER="$renderer" \
          "$here/scripts/install.sh" "$@" >"$work/log" 2>&1 || { problem "$1 failed:"; cat "$work/log" >&2; }; }
tree() { (cd "$stage" && find . -mindepth 1 | LC_ALL=C sort); }

# Another program's files in the folders both share.
mkdir -p "$stage/usr/share/applications" "$stage/usr/share/icons/hicolor/16x16/apps"
echo other >"$stage/usr/share/applications/other.desktop"
echo other >"$stage/usr/share/icons/hicolor/16x16/apps/other.png"
before=$(tree)

run install
run install
r=$stage$prefix
for f in bin/tavelin bin/tavelin-render share/tavelin/tavelin.exe share/man/man1/tavelin.1 \
         share/man/man1/tavelin-render.1 share/applications/tavelin.desktop \
         share/thumbnailers/tavelin.thumbnailer \
         share/icons/hicolor/16x16/apps/tavelin.png share/icons/hicolor/32x32/apps/tavelin.png; do
  [ -f "$r/$f" ] || problem "not installed: $prefix/$f"
done
[ -x "$r/bin/tavelin" ] && [ -x "$r/bin/tavelin-render" ] || problem "bin/ programs not executable"

if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$r/share/applications/tavelin.desktop" >"$work/validate" 2>&1 \
    || { problem "desktop file invalid:"; cat "$work/validate" >&2; }
fi

for size in 16 32; do
  png=$r/share/icons/hicolor/${size}x${size}/apps/tavelin.png
  got=$(convert "$png" -format '%w %h %[fx:p{0,0}.a]' info: 2>&1)
  [ "$got" = "$size $size 0" ] || problem "icon ${size}x${size}: width, height, corner alpha are '$got'"
done

# The thumbnailer's Exec line with the substitutions a thumbnail factory makes
# (each value one word, as after shell quoting), the installed bin/ on PATH.
exec_line=$(sed -n 's/^Exec=//p' "$r/share/thumbnailers/tavelin.thumbnailer")
read -r -a words <<<"$exec_line"
input="$work/some release.nfo"
cp "$here/examples/welcome.nfo" "$input"
args=()
for w in "${words[@]}"; do
  case "$w" in
    %s) args+=(128) ;;
    %i) args+=("$input") ;;
    %o) args+=("$work/thumbnail out.png") ;;
    %u) args+=("file://$input") ;;
    *) args+=("$w") ;;
  esac
done
PATH="$r/bin:$PATH" "${args[@]}" >"$work/thumb.log" 2>&1 || { problem "thumbnailer Exec line failed: ${args[*]}"; cat "$work/thumb.log" >&2; }
dims=$(identify -format '%w %h' "$work/thumbnail out.png" 2>/dev/null)
read -r w h <<<"${dims:-0 0}"
if [ $(( w > h ? w : h )) -ne 128 ]; then problem "thumbnail is '${dims:-no PNG}', expected 128 pixels at its longer side"; fi

# Another program installed afterwards, into a folder this install created.
echo later >"$r/share/thumbnailers/later.thumbnailer"
before=$(printf '%s\n' "$before" ./usr/share/thumbnailers ./usr/share/thumbnailers/later.thumbnailer | LC_ALL=C sort)

run uninstall
after=$(tree)
[ "$after" = "$before" ] || problem "after uninstall the tree differs from before install:"$'\n'"$(diff <(echo "$before") <(echo "$after"))"

# And with nothing there before: the staging folder is left empty.
rm -rf "$stage"; mkdir -p "$stage"
run install
run uninstall
left=$(tree)
[ -z "$left" ] || problem "left behind by uninstall:"$'\n'"$left"

# Unstaged, into a prefix of its own, where the MIME database is made too.
if command -v update-mime-database >/dev/null && command -v gio >/dev/null; then
  stage='' prefix="$work/real prefix"
  run install
  echo art >"$work/some art.ANS"
  type=$(XDG_DATA_HOME="$work/none" XDG_DATA_DIRS="$prefix/share" gio info -a standard::content-type \
         "$work/some art.ANS" | sed -n 's/^ *standard::content-type: //p')
  for f in applications/tavelin.desktop thumbnailers/tavelin.thumbnailer; do
    [[ ";$(sed -n 's/^MimeType=//p' "$prefix/share/$f")" == *";$type;"* ]] || problem "$f does not take '$type'"
  done
  run uninstall
  [ ! -e "$prefix" ] || problem "left behind by uninstall: $(find "$prefix")"
fi

[ $fail -eq 0 ] && echo "install: every file in place, desktop file valid, icons, thumbnailer and .ans type work, uninstall leaves the tree as it was"
exit $fail
