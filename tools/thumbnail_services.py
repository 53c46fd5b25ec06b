#!/usr/bin/python3
"""Asks the two thumbnail services that Linux file managers use for the
thumbnails of some files, the way the file managers ask them, and says what
each made.

Usage: thumbnail_services.py tumbler|gnome [--by-name] FILE...

tumbler: the org.freedesktop.thumbnails.Thumbnailer1 service on the session
bus (XFCE's Thunar and the other file managers that use tumbler): one Queue
call per size, "normal" (128) and "large" (256), then its Ready, Error and
Finished signals; the thumbnails are read from the cache it wrote.

gnome: GNOME's thumbnail factory (GnomeDesktop.DesktopThumbnailFactory, in
the process as Nautilus and the other GNOME programs use it): generate and
save, for each size.

Each file's MIME type is what GIO says of it (file managers ask GIO), or with
--by-name the type of its name alone (an empty file.nfo is text/plain to GIO,
text/x-nfo by its name).

Prints one line per file and size: the thumbnail's width and height, or the
error. Debian's python3-gi, gir1.2-gnomedesktop-3.0 and tumbler provide what
it needs; run it in a D-Bus session (dbus-run-session) for tumbler.
"""
import hashlib
import os
import struct
import sys

import gi
from gi.repository import Gio, GLib

SIZES = (("normal", 128), ("large", 256))


BY_NAME = False


def mime_of(path):
    if BY_NAME:
        content_type = Gio.content_type_guess(os.path.basename(path), None)[0]
    else:
        content_type = Gio.File.new_for_path(path).query_info("standard::content-type", 0, None).get_content_type()
    return Gio.content_type_get_mime_type(content_type)


def png_size(path):
    """Width and height from a PNG's header, or None."""
    try:
        with open(path, "rb") as f:
            head = f.read(24)
    except OSError:
        return None
    if len(head) < 24 or head[:8] != b"\x89PNG\r\n\x1a\n":
        return None
    return struct.unpack(">II", head[16:24])


def cached(uri, flavor):
    cache = os.environ.get("XDG_CACHE_HOME", os.path.expanduser("~/.cache"))
    name = hashlib.md5(uri.encode()).hexdigest() + ".png"
    return os.path.join(cache, "thumbnails", flavor, name)


def tumbler(paths):
    bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
    proxy = Gio.DBusProxy.new_sync(bus, 0, None, "org.freedesktop.thumbnails.Thumbnailer1",
                                   "/org/freedesktop/thumbnails/Thumbnailer1",
                                   "org.freedesktop.thumbnails.Thumbnailer1", None)
    uris = [Gio.File.new_for_path(p).get_uri() for p in paths]
    mimes = [mime_of(p) for p in paths]
    for flavor, _ in SIZES:
        errors = {}
        done = GLib.MainLoop()
        state = {"handle": None}

        def on_signal(_proxy, _sender, signal, params):
            if signal == "Error":
                handle, failed, code, message = params.unpack()
                for uri in failed:
                    errors[uri] = "error %d: %s" % (code, message)
            elif signal == "Finished" and params.unpack()[0] == state["handle"]:
                done.quit()

        connection = proxy.connect("g-signal", on_signal)
        result = proxy.call_sync("Queue", GLib.Variant("(asasssu)", (uris, mimes, flavor, "default", 0)),
                                 0, -1, None)
        state["handle"] = result.unpack()[0]
        GLib.timeout_add_seconds(120, done.quit)
        done.run()
        proxy.disconnect(connection)
        for path, uri in zip(paths, uris):
            size = png_size(cached(uri, flavor))
            what = "%d x %d" % size if size else errors.get(uri, "no thumbnail")
            print("tumbler %-6s %s: %s" % (flavor, os.path.basename(path), what), flush=True)


def gnome(paths):
    gi.require_version("GnomeDesktop", "3.0")
    from gi.repository import GnomeDesktop

    for flavor, _ in SIZES:
        size = (GnomeDesktop.DesktopThumbnailSize.NORMAL if flavor == "normal"
                else GnomeDesktop.DesktopThumbnailSize.LARGE)
        factory = GnomeDesktop.DesktopThumbnailFactory.new(size)
        for path in paths:
            uri = Gio.File.new_for_path(path).get_uri()
            mime = mime_of(path)
            mtime = int(os.stat(path).st_mtime)
            name = os.path.basename(path)
            if not factory.can_thumbnail(uri, mime, mtime):
                print("gnome   %-6s %s: not thumbnailed (%s)" % (flavor, name, mime), flush=True)
                continue
            try:
                pixbuf = factory.generate_thumbnail(uri, mime, None)
                factory.save_thumbnail(pixbuf, uri, mtime, None)
                what = "%d x %d" % (pixbuf.get_width(), pixbuf.get_height())
            except GLib.Error as error:
                factory.create_failed_thumbnail(uri, mtime, None)
                what = "error: " + error.message
            print("gnome   %-6s %s: %s" % (flavor, name, what), flush=True)


if __name__ == "__main__":
    args = sys.argv[2:]
    if args and args[0] == "--by-name":
        BY_NAME = True
        args = args[1:]
    if not args or sys.argv[1] not in ("tumbler", "gnome"):
        sys.exit(__doc__)
    {"tumbler": tumbler, "gnome": gnome}[sys.argv[1]]([os.path.abspath(p) for p in args])
