#!/usr/bin/env python3
"""Writes the crafted export files into crafted/ beside this script and, as
seeds, into fuzz/corpus/ExportFileFuzz/: files that once took the import down
or slipped past its checks. Each is small; the import tests build the large
forms of the same shapes themselves (a text list asking for gigabytes, a list
of a million entries) and read every file written here.

Run from anywhere: python3 make_crafted_imports.py
"""
import os

from make_plistlib_export import Archive

RECORD = "_TtC5frelt16ExportImportData"
ENTRY = "_TtC5frelt13TableViewItem"


def record(fields, build=None):
    a = Archive()
    if build:
        build(a, fields)
    return a.data(a.instance(RECORD, fields))


def entry(a, name, path, tags=None, color=None):
    return a.instance(ENTRY, {
        "name": a.add(name), "path": a.add(path), "tags": tags if tags is not None else a.array([]),
        "comment": a.add(""), "itemTypeRawValue": a.add("url"), "itemSourceRawValue": a.add("other"),
        "color": color if color is not None else a.add(False), "hotkey": a.add(False),
        "isVisible": a.add(True), "favorite": a.add(False)})


def scope_repeating_one_text():
    # The search folders: one 8 KB text named 4,000 times, 32 MB asked of a
    # 12 KB file.
    def build(a, f):
        text = a.add("/" + "x" * 8191)
        f["customSpotlightSearchScope"] = a.array([text] * 4000)
    return record({}, build)


def entry_tags_repeating_one_text():
    # One entry whose tag list names one 8 KB text 4,000 times.
    e = Archive()
    text = e.add("t" * 8192)
    entries = e.data(e.array([entry(e, "Tagged", "https://example.org/", tags=e.array([text] * 4000))]))
    return record({}, lambda a, f: f.update(allDataArchive=a.add(entries)))


def colours_naming_one_large_data():
    # 500 entries, each with a colour of its own whose components are one
    # 32 KB data object: each colour would copy it.
    e = Archive()
    components = e.add(b"0 " * 16384)
    first = e.objects[entry(e, "Coloured", "https://example.org/").data]
    items = []
    for _ in range(500):
        fields = dict(first)
        fields["color"] = e.instance("NSColor", {"NSColorSpace": 1, "NSRGB": components})
        items.append(e.add(fields))
    entries = e.data(e.array(items))
    return record({}, lambda a, f: f.update(allDataArchive=a.add(entries)))


def one_archive_under_every_key():
    # The same nested archive (of entries) under all four nested keys.
    e = Archive()
    entries = e.data(e.array([entry(e, "Once", "https://example.org/once")]))

    def build(a, f):
        shared = a.add(entries)
        for key in ("allDataArchive", "tagArchive", "urlTemplateArchive", "globalKeyCombo"):
            f[key] = shared
    return record({}, build)


def one_entry_named_many_times():
    # The shape of a list of millions of entries, kept small here.
    e = Archive()
    one = entry(e, "Again", "https://example.org/again")
    entries = e.data(e.array([one] * 2000))
    return record({}, lambda a, f: f.update(allDataArchive=a.add(entries)))


def settings_out_of_range():
    return record({"windowViewStyle": 7, "clickType": -3})


def settings_beyond_int():
    # 2^32 + 1 would read as 1 once cut to an int.
    return record({"windowViewStyle": 2**32 + 1, "clickType": 2**40})


FILES = {
    "scope-repeating-one-text": scope_repeating_one_text,
    "entry-tags-repeating-one-text": entry_tags_repeating_one_text,
    "colours-naming-one-large-data": colours_naming_one_large_data,
    "one-archive-under-every-key": one_archive_under_every_key,
    "one-entry-named-many-times": one_entry_named_many_times,
    "settings-out-of-range": settings_out_of_range,
    "settings-beyond-int": settings_beyond_int,
}

if __name__ == "__main__":
    here = os.path.dirname(os.path.abspath(__file__))
    seeds = os.path.join(here, "..", "..", "..", "fuzz", "corpus", "ExportFileFuzz")
    for folder in (os.path.join(here, "crafted"), seeds):
        os.makedirs(folder, exist_ok=True)
        for name, make in FILES.items():
            with open(os.path.join(folder, "crafted-" + name + ".frelt_ExportData"), "wb") as f:
                f.write(make())
