#!/usr/bin/python3
"""Checks the names of a scanned copy of pydicom's charset_files in every output against
pydicom's own decoding of them.

Usage: charset_compare.py COLLECTION CATALOGUE.json REPORT.rtf REPORT.csv COPY_DIR

- JSON: each file's study carries the first component group of its Patient's Name as
  pydicom decodes it, and its display form ("Family, Given").
- RTF: read back with unrtf (HTML output, entities resolved), it holds each name's
  display form (the report capitalises names, so the comparison ignores case).
- CSV: valid UTF-8 that holds each display form.
- Copies (study folders named by patient name): every folder name is printable ASCII,
  and the Latin names read as their letters without diacritics.
Prints one line per difference; exits 1 when there is any.
"""
import html
import json
import os
import re
import subprocess
import sys

import pydicom

# Latin names and the folder names their copies must get.
TRANSLITERATED = {"Äneas^Rüdiger": "Aneas, Rudiger", "Buc^Jérôme": "Buc, Jerome"}


def expected_names(collection):
    """{path: first component group of Patient's Name, decoded by pydicom}"""
    names = {}
    for entry in sorted(os.listdir(collection)):
        path = os.path.join(collection, entry)
        try:
            data = pydicom.dcmread(path, stop_before_pixels=True)
        except Exception:
            continue
        if "PatientName" in data and data.PatientName is not None and str(data.PatientName):
            names[path] = str(data.PatientName).split("=")[0]
    return names


def display(name):
    family, _, given = name.partition("^")
    return family + (", " + given.replace("^", " ") if given else "")


def main():
    collection, catalogue, rtf, csv, copies = sys.argv[1:6]
    problems = []
    names = expected_names(collection)
    if len(names) < 10:
        problems.append("only %d named files found in %s" % (len(names), collection))

    with open(catalogue, encoding="utf-8") as stream:
        studies = json.load(stream)["studies"]
    by_path = {image["path"]: study for study in studies for series in study["series"] for image in series["images"]}
    for path, name in names.items():
        study = by_path.get(path)
        if study is None:
            problems.append("JSON: %s is not catalogued" % path)
        elif study["patient_name"] != name:
            problems.append("JSON: %s has %r, pydicom reads %r" % (path, study["patient_name"], name))
        elif study["patient_name_display"] != display(name):
            problems.append("JSON: %s is displayed %r, expected %r" % (path, study["patient_name_display"],
                                                                        display(name)))

    text = subprocess.run(["unrtf", "--html", rtf], capture_output=True, check=True).stdout.decode("utf-8")
    text = html.unescape(re.sub(r"<[^>]*>", "", text)).casefold()
    with open(csv, "rb") as stream:
        try:
            cells = stream.read().decode("utf-8")
        except UnicodeDecodeError as error:
            problems.append("CSV: not UTF-8: %s" % error)
            cells = ""
    for name in sorted(set(names.values())):
        if display(name).casefold() not in text:
            problems.append("RTF: %r is missing" % display(name))
        if display(name) not in cells:
            problems.append("CSV: %r is missing" % display(name))

    folders = os.listdir(copies)
    for folder in folders:
        if not re.fullmatch(r"[\x20-\x7e]+", folder):
            problems.append("copy: folder %r is not printable ASCII" % folder)
    for name, folder in TRANSLITERATED.items():
        if folder not in folders:
            problems.append("copy: no folder %r for %r (folders: %s)" % (folder, name, sorted(folders)))

    for problem in problems:
        print(problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
