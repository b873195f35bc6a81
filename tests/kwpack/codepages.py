#!/usr/bin/env python3
"""Packs folders of Swedish, Polish, Russian, Japanese and UTF-8 names, each
with its code page, and checks the index against Python's own encoders; lists
them again, as text and as JSON, extracts them and checks the names on disk;
and checks the refusals.

Usage: codepages.py KWPACK [RUNNER...]
With a runner (wine-run and its prefix), KWPACK is the Windows kwpack.exe: it
is given Z: paths and runs in a locale whose ANSI code page is the package's,
as a Windows system of that language would run it.
"""
import json
import os
import struct
import subprocess
import tempfile

from kwpack_process import check, command, finish, path_arg, runner

# Code page, the locale that gives it to Wine, and names in it.
LANGUAGES = [
    (1252, "C.UTF-8", ["Läs mig.txt", "Årö.bin", "€uro.txt", "pelmora.exe"]),
    (1250, "pl_PL.UTF-8", ["Łódź.txt", "Żółw.dat", "pelmora.exe"]),
    (1251, "ru_RU.UTF-8", ["Привет.txt", "Ёжик.dat", "pelmora.exe"]),
    (932, "ja_JP.UTF-8", ["表.txt", "能力.dat", "ポスター.txt", "pelmora.exe"]),
    # hi_IN has no ANSI code page of its own, so Wine gives it 65001.
    (65001, "hi_IN.UTF-8", ["नमस्ते.txt", "Läs 表 Ёж.txt", "\U0001F600.dat", "\u2028.txt", "pelmora.exe"]),
]


def run(locale, *arguments):
    env = dict(os.environ, LC_ALL=locale)
    done = subprocess.run(command(*arguments), env=env, capture_output=True, timeout=300)
    # A Windows program writes its lines with \r\n.
    text = [stream.decode("utf-8", "replace").replace("\r\n", "\n") for stream in (done.stdout, done.stderr)]
    return done.returncode, text[0], text[1]


def index_names(package):
    with open(os.path.join(package, "pelmora.kwi"), "rb") as index:
        data = index.read()
    names, at = [], 0
    while at < len(data):
        _, length = struct.unpack_from("<II", data, at)
        names.append(data[at + 8:at + 8 + length])
        at += 8 + length
    return names


def make_folder(root, names):
    os.makedirs(root)
    for name in names:
        with open(os.path.join(root, name), "wb") as file:
            file.write(name.encode("utf-8"))


def round_trip(work, code_page, locale, names):
    app, package, out = (os.path.join(work, part) for part in ("app", "package", "out"))
    make_folder(app, names)
    status, _, err = run(locale, "pack", path_arg(app), "-o", path_arg(package), "--codepage", code_page, "-q",
                         "--strict")
    check(f"{code_page}: pack, quiet and strict, says nothing", status == 0 and err == "", err)
    expected = sorted(name.encode(f"cp{code_page}") for name in names)
    check(f"{code_page}: index names as Python encodes them", index_names(package) == expected,
          f"{index_names(package)} != {expected}")
    status, listed, err = run(locale, "list", path_arg(package), "--codepage", code_page)
    check(f"{code_page}: list shows the names", status == 0 and all(f"  {n}\n" in listed for n in names),
          listed + err)
    list_json(locale, package, code_page, names)
    status, verified, err = run(locale, "verify", path_arg(package), path_arg(app), "--codepage", code_page)
    check(f"{code_page}: verify finds every file", status == 0 and "Every entry matches" in verified, verified + err)
    status, _, err = run(locale, "extract", path_arg(package), path_arg(out), "--codepage", code_page)
    written = sorted(os.listdir(out)) if os.path.isdir(out) else []
    check(f"{code_page}: extract writes the names", status == 0 and written == sorted(names), f"{written} {err}")
    contents = {}
    for name in written:
        with open(os.path.join(out, name), "rb") as file:
            contents[name] = file.read()
    check(f"{code_page}: every file holds its own bytes", all(contents.get(n) == n.encode("utf-8") for n in names))
    if runner and locale != "C.UTF-8":
        _, _, err = run("C.UTF-8", "extract", path_arg(package), path_arg(out + "-1252"), "--codepage", code_page)
        check(f"{code_page}: extract on a 1252 system says it writes in 1252",
              f"code page 1252, as the installer writes them, not in code page {code_page}" in err, err)


def list_json(locale, package, code_page, names):
    done = subprocess.run(command("list", path_arg(package), "--codepage", code_page, "--json"),
                          env=dict(os.environ, LC_ALL=locale), capture_output=True, timeout=300)
    try:
        document = json.loads(done.stdout.decode("utf-8"))
    except ValueError as error:
        check(f"{code_page}: list --json writes one JSON document", False, f"{error}: {done.stdout!r}")
        return
    entries = document["entries"]
    stored = index_names(package)
    check(f"{code_page}: list --json holds each entry in index order",
          done.returncode == 0 and [e["name"] for e in entries] == [b.decode(f"cp{code_page}") for b in stored] and
          [bytes.fromhex(e["bytes"]) for e in entries] == stored, f"{entries} {stored}")
    sizes = sum(len(name.encode("utf-8")) for name in names)
    check(f"{code_page}: list --json sizes and totals",
          [e["size"] for e in entries] == [len(b.decode(f"cp{code_page}").encode("utf-8")) for b in stored] and
          document["count"] == len(names) and document["totalSize"] == sizes and "error" not in document,
          str(document))


def refusal(work, what, names, expected, *options):
    app, package = os.path.join(work, "app"), os.path.join(work, "package")
    make_folder(app, names)
    status, _, err = run("C.UTF-8", "pack", path_arg(app), "-o", path_arg(package), *options)
    check(what, status == 1 and expected in err and not os.path.exists(package), f"status {status}: {err}")


for code_page, locale, names in LANGUAGES:
    with tempfile.TemporaryDirectory() as work:
        round_trip(work, code_page, locale, names)
with tempfile.TemporaryDirectory() as work:
    refusal(work, "a name 1252 cannot write", ["Łódź.txt"],
            "'Łódź.txt': 'Ł' (U+0141) has no code in code page 1252; choose another --codepage or rename the file")
with tempfile.TemporaryDirectory() as work:
    refusal(work, "case twins beyond ASCII", ["Ärende.txt", "ärende.txt"],
            "'Ärende.txt' and 'ärende.txt' are one file on Windows")
with tempfile.TemporaryDirectory() as work:
    refusal(work, "case twins in Greek, by Windows' own upper case", ["σ.txt", "Σ.txt", "ς.txt", "pelmora.exe"],
            "'Σ.txt' and 'σ.txt' are one file on Windows", "--codepage", 65001)
with tempfile.TemporaryDirectory() as work:
    refusal(work, "pack --strict: a folder without pelmora.exe", ["readme.txt"],
            "kwpack: error: the folder holds no pelmora.exe", "--strict")

finish("codepages")
