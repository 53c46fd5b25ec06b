#!/usr/bin/env bash
# `make install` and `make uninstall`: puts Tavelin on a Linux desktop, and
# takes it off again.
#   scripts/install.sh install | uninstall
# Environment: PREFIX (default /usr/local), DESTDIR (staging root, default
# none); TAVELIN_EXE and TAVELIN_RENDER name the built programs (defaults
# build/win32/tavelin.exe and build/release/tavelin-render).
#
# install records every file it writes, every folder it had to create and
# every cache file (and folder) that did not exist before it refreshed the
# caches (icons, desktop database, MIME database) in
# PREFIX/share/tavelin/install-manifest (paths without DESTDIR). uninstall
# removes exactly those, newest folder first, and only folders that are empty
# by then. Installing again over an installation keeps the earlier record, so
# one uninstall still removes everything.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
mode=${1:-}
prefix=${PREFIX:-/usr/local}
prefix=${prefix%/}
destdir=${DESTDIR:-}
destdir=${destdir%/}
root=$destdir$prefix
manifest_path=$prefix/share/tavelin/install-manifest
manifest=$destdir$manifest_path

case "$prefix" in
  /*) ;;
  *) echo "install: PREFIX must be an absolute path, not '$prefix'" >&2; exit 2 ;;
esac

# Entries: "f PATH" a file, "d PATH" a folder install created, "c PATH" a
# cache file the refresh created. In order of creation.
entries=()
have_entry() {
  local e
  for e in "${entries[@]+"${entries[@]}"}"; do [ "$e" = "$1" ] && return 0; done
  return 1
}
add_entry() { have_entry "$1" || entries+=("$1"); }

make_dirs() {  # $1: a folder below PREFIX, without DESTDIR
  local missing=() p=$1
  while [ "$p" != "/" ] && [ -n "$p" ] && [ ! -d "$destdir$p" ]; do
    missing=("$p" "${missing[@]+"${missing[@]}"}")
    p=$(dirname "$p")
  done
  mkdir -p "$destdir$1"
  local d
  for d in "${missing[@]+"${missing[@]}"}"; do add_entry "d $d"; done
}

put() {  # mode source target (target without DESTDIR)
  make_dirs "$(dirname "$3")"
  install -m "$1" "$2" "$destdir$3"
  add_entry "f $3"
}

# The MIME database of PREFIX from its packages: what the refresh made that
# was not there before (the database of a PREFIX that had none is all new) is
# recorded, files as caches, folders as created.
refresh_mime() {
  local mime=$prefix/share/mime path
  [ -d "$mime/packages" ] && command -v update-mime-database >/dev/null 2>&1 || return 0
  local before; before=$(find "$mime" -mindepth 1 | LC_ALL=C sort)
  update-mime-database "$mime" 2>/dev/null || true
  # In sorted order a folder comes before what it holds.
  while IFS= read -r path; do
    if [ -d "$path" ]; then add_entry "d $path"; else add_entry "c $path"; fi
  done < <(find "$mime" -mindepth 1 | LC_ALL=C sort | LC_ALL=C comm -13 <(printf '%s\n' "$before") -)
}

refresh_caches() {  # only on the real system: a staged tree is not in use
  [ -z "$destdir" ] || return 0
  local icons=$prefix/share/icons/hicolor apps=$prefix/share/applications
  refresh_mime
  if [ -d "$icons" ] && command -v gtk-update-icon-cache >/dev/null 2>&1; then
    local had=; [ -e "$icons/icon-theme.cache" ] && had=1
    gtk-update-icon-cache -q -t -f "$icons" 2>/dev/null || true
    [ -n "$had" ] || [ ! -e "$icons/icon-theme.cache" ] || add_entry "c $icons/icon-theme.cache"
  fi
  if [ -d "$apps" ] && command -v update-desktop-database >/dev/null 2>&1; then
    local had=; [ -e "$apps/mimeinfo.cache" ] && had=1
    update-desktop-database -q "$apps" 2>/dev/null || true
    [ -n "$had" ] || [ ! -e "$apps/mimeinfo.cache" ] || add_entry "c $apps/mimeinfo.cache"
  fi
}

read_manifest() {
  [ -f "$manifest" ] || return 0
  local line
  while IFS= read -r line; do
    case "$line" in
      "f $prefix/"*|"d $prefix"|"d $prefix/"*|"c $prefix/"*) add_entry "$line" ;;
      d\ /*)  # a folder above PREFIX that an install created
        case "$prefix/" in "${line#d }/"*) add_entry "$line" ;; esac ;;
      *) echo "install: ignoring a strange line of $manifest: $line" >&2 ;;
    esac
  done <"$manifest"
}

write_manifest() {
  make_dirs "$(dirname "$manifest_path")"
  local tmp=$manifest.new
  printf '%s\n' "${entries[@]}" >"$tmp"
  mv -f "$tmp" "$manifest"
}

do_install() {
  local exe=${TAVELIN_EXE:-$here/build/win32/tavelin.exe}
  local renderer=${TAVELIN_RENDER:-$here/build/release/tavelin-render}
  local source
  for source in "$exe" "$renderer" "$here/render/tavelin-render.1"; do
    [ -f "$source" ] || { echo "install: $source is missing; build it first (make render, make build-win32)" >&2; exit 1; }
  done
  local icons=$here/build/icons
  python3 "$here/tools/make_icon_pngs.py" "$here/resources/art" "$icons"

  read_manifest
  # The manifest's own folder first, so that it can be written even if a
  # later step fails and the files written so far can be removed.
  make_dirs "$(dirname "$manifest_path")"
  trap write_manifest EXIT
  put 0755 "$renderer" "$prefix/bin/tavelin-render"
  put 0644 "$here/render/tavelin-render.1" "$prefix/share/man/man1/tavelin-render.1"
  put 0755 "$exe" "$prefix/share/tavelin/tavelin.exe"
  put 0755 "$here/packaging/linux/tavelin" "$prefix/bin/tavelin"
  put 0644 "$here/packaging/linux/tavelin.1" "$prefix/share/man/man1/tavelin.1"
  put 0644 "$here/packaging/linux/tavelin.desktop" "$prefix/share/applications/tavelin.desktop"
  put 0644 "$here/packaging/linux/tavelin.thumbnailer" "$prefix/share/thumbnailers/tavelin.thumbnailer"
  put 0644 "$here/packaging/linux/tavelin.xml" "$prefix/share/mime/packages/tavelin.xml"
  put 0644 "$icons/16x16/tavelin.png" "$prefix/share/icons/hicolor/16x16/apps/tavelin.png"
  put 0644 "$icons/32x32/tavelin.png" "$prefix/share/icons/hicolor/32x32/apps/tavelin.png"
  refresh_caches
  write_manifest
  trap - EXIT
  echo "install: Tavelin installed in $root (record: $manifest)"
}

do_uninstall() {
  if [ ! -f "$manifest" ]; then
    echo "uninstall: nothing to do: no $manifest" >&2
    exit 0
  fi
  read_manifest
  local e i
  for e in "${entries[@]+"${entries[@]}"}"; do
    case "$e" in f\ *|c\ *) rm -f "$destdir${e#? }" ;; esac
  done
  rm -f "$manifest"
  for ((i = ${#entries[@]} - 1; i >= 0; i--)); do
    e=${entries[i]}
    case "$e" in d\ *) rmdir "$destdir${e#d }" 2>/dev/null || true ;; esac
  done
  refresh_caches_after_uninstall
  echo "uninstall: Tavelin removed from $root"
}

refresh_caches_after_uninstall() {
  [ -z "$destdir" ] || return 0
  local icons=$prefix/share/icons/hicolor apps=$prefix/share/applications
  if [ -d "$prefix/share/mime/packages" ] && command -v update-mime-database >/dev/null 2>&1; then
    update-mime-database "$prefix/share/mime" 2>/dev/null || true
  fi
  if [ -d "$icons" ] && command -v gtk-update-icon-cache >/dev/null 2>&1; then
    gtk-update-icon-cache -q -t -f "$icons" 2>/dev/null || true
  fi
  if [ -d "$apps" ] && command -v update-desktop-database >/dev/null 2>&1; then
    update-desktop-database -q "$apps" 2>/dev/null || true
  fi
}

case "$mode" in
  install) do_install ;;
  uninstall) do_uninstall ;;
  *) echo "usage: scripts/install.sh install|uninstall" >&2; exit 2 ;;
esac
