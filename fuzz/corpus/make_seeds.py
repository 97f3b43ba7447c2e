#!/usr/bin/env python3
"""Writes the seed corpus of each fuzz target: typical inputs and the inputs
of past findings (hangs, undefined behaviour, values read back wrong). Run
from this folder; the files it writes are checked in beside it. Inputs a
fuzzing run finds later are added to the folders as they are."""
import os
import plistlib

BINARY = plistlib.FMT_BINARY
XML = plistlib.FMT_XML
UID = plistlib.UID


def put(target, name, data):
    os.makedirs(target, exist_ok=True)
    if isinstance(data, str):
        data = data.encode("utf-8")
    with open(os.path.join(target, name), "wb") as f:
        f.write(data)


def xml(value):
    data = plistlib.dumps(value, fmt=XML)
    return b"".join(line for line in data.splitlines(True) if not line.startswith(b"<!DOCTYPE"))


def archive(objects, root=1):
    return plistlib.dumps(
        {"$archiver": "NSKeyedArchiver", "$version": 100000, "$top": {"root": UID(root)}, "$objects": objects},
        fmt=BINARY)


def classes(name, *parents):
    return {"$classname": name, "$classes": [name, *parents, "NSObject"]}


# --- property lists ---------------------------------------------------------
P = "PropertyListFuzz"
edges = {"max_unsigned": 2**64 - 1, "min_unsigned_only": 2**63, "min_signed": -(2**63), "negative_zero": -0.0,
         "text": "Grüße <&>", "data": b"\x00\x01\xff", "list": [1, "two", 3.5, True]}
put(P, "integers-and-kinds.bplist", plistlib.dumps(edges, fmt=BINARY))
put(P, "integers-and-kinds.xml", xml(edges))
put(P, "dates-full-range.xml",
    "<plist><array><date>0001-01-01T00:00:00Z</date><date>1900-03-01T12:30:15Z</date>"
    "<date>2100-02-28T23:59:59Z</date><date>9999-12-31T23:59:59Z</date></array></plist>")
put(P, "xml-references-and-cr.xml",
    "<plist><dict><key>a&#13;b</key><string>x&#x1F600;\r\ny&lt;&amp;</string>"
    "<key>n</key><real>-infinity</real><key>uid</key><dict><key>CF$UID</key>"
    "<integer>18446744073709551615</integer></dict></dict></plist>")
put(P, "xml-nested-600.xml", "<plist>" + "<array>" * 600 + "</array>" * 600 + "</plist>")
utf8 = "café".encode("utf-8")
put(P, "ascii-marked-utf8.bplist", plistlib.dumps(["x" * len(utf8)], fmt=BINARY).replace(b"x" * len(utf8), utf8))
shared = {"key%d" % i: "value %d of ten" % i for i in range(10)}
put(P, "shared-dictionary.bplist", plistlib.dumps([shared] * 1286, fmt=BINARY))


def bomb(levels):
    # Each array holds the next one twice: 2^levels values from a few bytes.
    out = b"bplist00"
    offsets = []
    for i in range(levels):
        offsets.append(len(out))
        out += bytes([0xA2, i + 1, i + 1])
    offsets.append(len(out))
    out += b"\x10\x01"
    table = len(out)
    out += bytes(offsets)
    out += b"\x00" * 6 + b"\x01\x01"
    out += (levels + 1).to_bytes(8, "big") + (0).to_bytes(8, "big") + table.to_bytes(8, "big")
    return out


put(P, "expansion-bomb.bplist", bomb(40))

# --- keyed archives -----------------------------------------------------------
K = "KeyedUnarchiverFuzz"
item = classes("frelt.TableViewItem")
put(K, "infinite-real.bplist",
    archive(["$null", {"name": UID(2), "d": float("inf"), "f": float("-inf"), "key": 2**63 - 1,
                       "isVisible": True, "$class": UID(3)}, "entry", item]))
put(K, "nan-real.bplist", archive(["$null", {"d": float("nan"), "key": -(2**63), "$class": UID(2)}, item]))
put(K, "unsigned-number.bplist",
    archive(["$null", {"NS.objects": [UID(2), UID(3)], "$class": UID(4)}, 2**64 - 1, 2**63, classes("NSArray")]))
put(K, "colour-bytes-in-place.bplist",
    archive(["$null", {"NSColorSpace": 1, "NSRGB": b"1 0.5 0.25\x00", "$class": UID(2)}, classes("NSColor")]))
put(K, "colour-data-object.bplist",
    archive(["$null", {"NSColorSpace": 3, "NSWhite": UID(2), "$class": UID(3)}, b"0.5\x00", classes("NSColor")]))
put(K, "null-object.bplist",
    archive(["$null", {"NS.objects": [UID(2), UID(4)], "$class": UID(5)}, {"$class": UID(3)},
             classes("NSNull"), "after", classes("NSArray")]))
put(K, "unknown-class.bplist", archive(["$null", {"$class": UID(2)}, classes("Mystery")]))
depth = 201
objects = ["$null"]
for i in range(1, depth + 1):
    objects.append({"NS.objects": [UID(i + 1)] if i < depth else [], "$class": UID(depth + 1)})
objects.append(classes("NSArray"))
put(K, "nested-201.bplist", archive(objects))
objects = ["$null"]
for i in range(1, 33):
    objects.append({"NS.objects": [UID(i + 1), UID(i + 1)] if i < 32 else [], "$class": UID(33)})
objects.append(classes("NSArray"))
put(K, "shared-arrays.bplist", archive(objects))

# --- markdown -------------------------------------------------------------------
M = "MarkdownRendererFuzz"
put(M, "help-text.md",
    "# Title\n\nSome *italic*, **bold**, `code`, ~~gone~~ and a [link](https://example.org).\n\n"
    "- one\n\t- two\n\t\t- three\n1. first\n> quoted\n    code block\n\n[ref]: https://example.org\n"
    "See [this][ref] and ![image](name.png).\n")
put(M, "emphasis-never-closing.md", "a*b**" * 1600)
put(M, "alternating-markers.md", "a_b*c__d**" * 800)
put(M, "nested-links.md", "[" * 400 + "x" + "](u)" * 400)
put(M, "open-brackets.md", "[a" * 4000)
put(M, "strike-runs.md", "a~~b~" * 1600)
put(M, "escapes.md", "\\*a\\* \\[b\\](c) " * 500)

# --- predicates ----------------------------------------------------------------
R = "PredicateFuzz"
put(R, "typical.txt", "name CONTAINS[c] 'abc' AND isVisible == 1 OR ANY tags ==[c] \"x\"")
put(R, "deep-parentheses.txt", "(" * 3000 + "a = 1" + ")" * 3000)
put(R, "deep-not.txt", "NOT " * 3000 + "a = 1")
put(R, "deep-lists.txt", "a = " + "{" * 3000 + "1" + "}" * 3000)
put(R, "large-real.txt", "ratio == 12345678901234567890.0 OR ratio == 1e300")
put(R, "unsigned-integer.txt", "count == 18446744073709551615")
put(R, "keyword-keys.txt", "#AND == 1 AND #self == 2 AND #nil != nil")
put(R, "date-cast.txt", "when == CAST(-12.5, \"NSDate\")")
put(R, "matches.txt", "SELF MATCHES '^(.*:).*' OR name MATCHES[c] 'a+'")
# Found by fuzzing: -0.0 was written as "-0", which reads back as the integer 0.
put(R, "negative-zero.txt", "5678!=8901234.0 OR ro == 0e0 OR ro ==-0e300")

# --- desktop entries --------------------------------------------------------------
D = "DesktopEntryFuzz"
put(D, "application.desktop",
    "# a comment\n[Desktop Entry]\nType=Application\nName=Editor\nName[de]=Bearbeiter\nName[sr@latin]=Urednik\n"
    "Exec=\"/opt/my editor/bin/edit\" --new-window %U\nOnlyShowIn=GNOME;KDE;\nNoDisplay=false\n\n"
    "[Desktop Action New]\nName=New\nExec=edit --new\n")
put(D, "escapes-and-quotes.desktop",
    "[Desktop Entry]\nType=Application\nName=Tab\\tand\\nline\\\\\n"
    "Exec=sh -c \"echo \\\\\"\\\\$HOME\\\\\" \\\\`x\\\\` %%\" %f %i %c %k\n")
put(D, "unterminated-quote.desktop", "[Desktop Entry]\nType=Application\nName=X\nExec=\"open quote %F\n")
put(D, "not-utf8.desktop", b"[Desktop Entry]\nType=Application\nName=caf\xe9\nExec=cafe\n")
put(D, "duplicate-groups-and-keys.desktop",
    "[Desktop Entry]\nName=A\nName=B\n[Desktop Entry]\nType=Link\nURL=https://example.org\n[\n=\n")
put(D, "exec-only.txt", "\"a b\" 'c d' \\\\ %% \"")

# --- the export file with its nested archives ---------------------------------------
E = "ExportFileFuzz"


def template_list(templates):
    objects = ["$null", {"NS.objects": [UID(2 + i) for i in range(len(templates))], "$class": UID(1)}]
    objects[1]["$class"] = UID(2 + 3 * len(templates))
    records = []
    for i, (title, value) in enumerate(templates):
        records.append({"title": UID(2 + len(templates) + 2 * i), "value": UID(3 + len(templates) + 2 * i),
                        "$class": UID(3 + 3 * len(templates))})
    texts = []
    for title, value in templates:
        texts += [title, value]
    return archive(objects + records + texts + [classes("NSArray"),
                                                classes("frelt.urlTemplateData", "frelt.urlBaseData")])


tags = archive(["$null", {"NS.objects": [UID(2)], "$class": UID(6)},
                {"tagName": UID(3), "tagSymbol": UID(4), "$class": UID(5)}, "Work", "star",
                classes("frelt.iconTag"), classes("NSArray")])
combo = archive(["$null", {"keyCode": 49, "modifiers": 0x180000, "$class": UID(2)}, classes("frelt.KeyCombo")])
templates = template_list([("Search", "https://example.org/?q=%%userInput:Search for%%"),
                           ("Mail", "mailto:%%selectedFileObjects%%")])


def export_file(fields):
    record = {}
    objects = ["$null", record]
    for key, value in fields.items():
        if isinstance(value, (bytes, str)):
            record[key] = UID(len(objects))
            objects.append(value)
        else:
            record[key] = value
    record["$class"] = UID(len(objects))
    objects.append(classes("frelt.ExportImportData"))
    return archive(objects)


put(E, "tags-templates-hotkey.bplist",
    export_file({"tagArchive": tags, "urlTemplateArchive": templates, "globalKeyCombo": combo,
                 "windowViewStyle": 1, "clickType": 0, "mainWindowWidth": "640", "alternateFolderBrowser": ""}))
put(E, "empty-record.bplist", export_file({}))
put(E, "damaged-nested-archive.bplist", export_file({"allDataArchive": b"bplist00 not really", "tagArchive": tags}))
put(E, "nested-holds-foreign-class.bplist",
    export_file({"urlTemplateArchive": archive(["$null", {"$class": UID(2)}, classes("frelt.ExportImportData")])}))

# --- the bookmark store ---------------------------------------------------------------
B = "BookmarkStoreFuzz"


def grant(path, device=2049, inode=1234, volume="/"):
    return plistlib.dumps({"FreltBookmark": 1, "path": path, "device": device, "inode": inode, "volume": volume},
                          fmt=BINARY)


def bookmark_file(pairs):
    count = len(pairs)
    objects = ["$null", {"NS.keys": [UID(2 + 2 * i) for i in range(count)],
                         "NS.objects": [UID(3 + 2 * i) for i in range(count)], "$class": UID(2 + 3 * count)}]
    urls = []
    for i, (url, data) in enumerate(pairs):
        objects.append({"NS.base": UID(0), "NS.relative": UID(2 + 2 * count + i), "$class": UID(3 + 3 * count)})
        objects.append(data)
        urls.append(url)
    objects += urls + [classes("NSDictionary"), classes("NSURL")]
    return archive(objects)


put(B, "two-grants.bplist", bookmark_file([("file:///home/user/Documents/", grant("/home/user/Documents")),
                                           ("file:///", grant("/", 2049, 2))]))
put(B, "grant-extremes.bplist", grant("/mnt/disk/x", -1, -(2**63), "/mnt/disk"))
put(B, "grant-relative-path.bplist", grant("relative/path"))
put(B, "grant-not-ours.bplist", bookmark_file([("file:///tmp/", b"\x00\x01 no record")]))

# --- URL templates ----------------------------------------------------------------
U = "URLTemplatesFuzz"
put(U, "stored-templates.bplist", templates)
put(U, "placeholders.txt", "https://example.org/search?q=%%userInput:Find what?%%&f=%%selectedFileObjects%%")
put(U, "many-placeholders.txt", "x:" + "%%userInput%%%%userInput:q%%" * 200)
put(U, "broken-placeholders.txt", "mailto:%%userInput:%%%%%userInput%%selectedFileObjects%%%")
put(U, "no-scheme.txt", "just some text with %%userInput%% and ünïcödé")
