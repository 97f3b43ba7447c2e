#!/usr/bin/env python3
"""Writes plistlib.frelt_ExportData: an export file made without the program,
by Python's own property-list writer, in the documented keyed-archive layout.
The export tests import it and check every value below.

Run from anywhere: python3 make_plistlib_export.py
"""
import os
import plistlib
from plistlib import UID

ARCHIVER = "NSKeyedArchiver"


class Archive:
    """Collects the $objects of one keyed archive; index 0 is "$null"."""

    def __init__(self):
        self.objects = ["$null"]
        self.classes = {}

    def add(self, value):
        self.objects.append(value)
        return UID(len(self.objects) - 1)

    def cls(self, name, *supers):
        if name not in self.classes:
            self.classes[name] = self.add({"$classname": name, "$classes": [name, *supers, "NSObject"]})
        return self.classes[name]

    def instance(self, name, fields, supers=()):
        record = {"$class": self.cls(name, *supers)}
        record.update(fields)
        return self.add(record)

    def array(self, items):
        return self.instance("NSArray", {"NS.objects": list(items)})

    def data(self, root):
        return plistlib.dumps(
            {"$archiver": ARCHIVER, "$version": 100000, "$top": {"root": root}, "$objects": self.objects},
            fmt=plistlib.FMT_BINARY, sort_keys=False)


def key_combo(a, key, modifiers, doubled=False):
    return a.instance("_TtC5frelt8KeyCombo",
                      {"key": a.add(key), "modifiers": modifiers, "doubledModifiers": doubled})


def entries():
    a = Archive()
    red = a.instance("NSColor", {"NSColorSpace": 1, "NSRGB": a.add(b"1 0 0\x00")})
    link = a.instance("_TtC5frelt13TableViewItem", {
        "name": a.add("Python docs"), "path": a.add("https://docs.python.org/3/"),
        "tags": a.array([a.add("web"), a.add("web|docs")]), "comment": a.add("made by plistlib"),
        "itemTypeRawValue": a.add("url"), "itemSourceRawValue": a.add("other"),
        "color": red, "hotkey": key_combo(a, "p", 1048576 | 524288),
        "isVisible": a.add(True), "favorite": a.add(True)})
    folder = a.instance("_TtC5frelt13TableViewItem", {
        "name": a.add("Music"), "path": a.add("/srv/music"), "tags": a.array([]), "comment": a.add(""),
        "itemTypeRawValue": a.add("folder"), "itemSourceRawValue": a.add("other"),
        "color": UID(0), "hotkey": UID(0), "isVisible": a.add(True), "favorite": a.add(False)})
    return a.data(a.array([link, folder]))


def tags():
    a = Archive()
    web = a.instance("_TtC5frelt7iconTag", {
        "tagName": a.add("web"), "tagSymbol": a.add("icon_tags"),
        "hotkey": key_combo(a, "w", 1048576), "hotkeyLaunchAll": key_combo(a, "w", 1048576 | 131072)})
    return a.data(a.array([web]))


def templates():
    a = Archive()
    search = a.instance("_TtC5frelt15urlTemplateData",
                        {"title": a.add("Search"), "value": a.add("https://example.org/?q=%%userInput:Term%%")},
                        supers=("_TtC5frelt10urlBaseData",))
    return a.data(a.array([search]))


def global_hotkey():
    a = Archive()
    return a.data(key_combo(a, "a", 524288, doubled=True))


def export_file():
    a = Archive()
    record = a.instance("_TtC5frelt16ExportImportData", {
        "allDataArchive": a.add(entries()),
        "tagArchive": a.add(tags()),
        "urlTemplateArchive": a.add(templates()),
        "globalKeyCombo": a.add(global_hotkey()),
        "windowViewStyle": 1,
        "clickType": 1,
        "mainPopoverAnimated": True,
        "alternateFolderBrowser": a.add("/usr/bin/thunar"),
        "customSpotlightSearchScope": a.array([a.add("/opt/apps")]),
        "searchForComments": False,
        "searchForTags": True,
        "selectingTagsInMainWindowLaunchAll": True,
        "entryBackgroundAlphaValue": 0.4,
        "useSmallModeInMainView": True,
        "showPathInMainView": False,
        "hotkeyBorder": False,
        "translucentBackgroundRight": False,
        "mainWindowWidth": a.add("600px"),
        "mainWindowHeight": a.add("85%"),
    })
    return a.data(record)


if __name__ == "__main__":
    here = os.path.dirname(os.path.abspath(__file__))
    with open(os.path.join(here, "plistlib.frelt_ExportData"), "wb") as f:
        f.write(export_file())
