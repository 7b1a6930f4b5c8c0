#!/usr/bin/python3
"""Compares the catalogue that `harrowdesk-cli scan --json` printed for FOLDER with what
pydicom reads from the same files.

For every file below FOLDER that pydicom reads as a Part 10 file (DICOMDIR files aside),
its Study, Series and SOP Instance UIDs and Instance Number must be where the catalogue
says: in the study and series of those UIDs, with that SOP Instance UID and number. A
file whose Study or Series UID is missing must be among the unplaced. Every study's
study ID, patient ID, patient name, study date (Study Date, else Content Date), file
count and first and last file name must match the files of that study.

Usage: scan_compare.py FOLDER CATALOGUE_JSON [--unreadable NAME ...]
The names after --unreadable are files pydicom reads but the catalogue is expected to
leave unplaced (each is checked to be unplaced). Exit status 0 when everything matches;
1 with one line per difference on standard output.
"""
import json
import os
import sys

import pydicom


def text(value):
    """The catalogue's form of a text value: trimmed, None when empty."""
    if value is None:
        return None
    value = str(value).strip(" \t\n\0")
    return value or None


def read_files(folder):
    """Part 10 files pydicom reads: path -> dataset (headers only)."""
    files = {}
    for root, _, names in os.walk(folder):
        for name in names:
            if name == "DICOMDIR":
                continue
            path = os.path.join(root, name)
            try:
                files[path] = pydicom.dcmread(path, stop_before_pixels=True)
            except Exception:
                pass
    return files


def dicom_name(name):
    """The DICOM form of the first component group of a person name: each component
    trimmed, trailing empty ones dropped; None when no component is left."""
    if name is None or not name.original_string:
        return None
    raw = name.original_string
    raw = raw.decode("latin-1") if isinstance(raw, bytes) else raw
    parts = [" ".join(part.split()) for part in raw.split("=")[0].split("^")]
    while parts and not parts[-1]:
        parts.pop()
    return "^".join(parts) or None


def first_value(dataset, keyword):
    element = dataset.get(keyword)
    if element is None:
        return None
    if isinstance(element, pydicom.multival.MultiValue):
        return element[0] if len(element) else None
    return element


def main():
    arguments = sys.argv[1:]
    if len(arguments) < 2:
        print(__doc__, file=sys.stderr)
        return 2
    folder, listing = arguments[0], arguments[1]
    unreadable = set(arguments[3:]) if len(arguments) > 2 and arguments[2] == "--unreadable" else set()
    with open(listing, "rb") as stream:
        catalogue = json.loads(stream.read().decode("utf-8", "surrogateescape"))
    files = read_files(folder)
    problems = []

    placed = {}
    for study in catalogue["studies"]:
        for series in study["series"]:
            for image in series["images"]:
                placed[os.path.normpath(image["path"])] = (study, series, image)
    unplaced = {os.path.normpath(path) for path in catalogue["unplaced"]}

    by_study = {}
    for path, ds in sorted(files.items()):
        key = os.path.normpath(path)
        name = os.path.basename(path)
        study_uid, series_uid = text(ds.get("StudyInstanceUID")), text(ds.get("SeriesInstanceUID"))
        if name in unreadable:
            if key not in unplaced:
                problems.append("%s: expected unplaced (unreadable here)" % name)
            continue
        if study_uid is not None:
            by_study.setdefault(study_uid, []).append((path, ds))
        if study_uid is None or series_uid is None:
            if key not in unplaced:
                problems.append("%s: no Study or Series UID, but not unplaced" % name)
            continue
        if key not in placed:
            problems.append("%s: study %s series %s not in the catalogue" % (name, study_uid, series_uid))
            continue
        study, series, image = placed[key]
        number = first_value(ds, "InstanceNumber")
        checks = [("study_uid", study["study_uid"], study_uid), ("series_uid", series["series_uid"], series_uid),
                  ("sop_instance_uid", image["sop_instance_uid"], text(ds.get("SOPInstanceUID"))),
                  ("instance_number", image["instance_number"], int(number) if number is not None else 0)]
        for field, ours, theirs in checks:
            if ours != theirs:
                problems.append("%s: %s is %r, pydicom reads %r" % (name, field, ours, theirs))

    studies = {study["study_uid"]: study for study in catalogue["studies"]}
    for uid, members in by_study.items():
        study = studies.get(uid)
        if study is None:
            problems.append("study %s missing" % uid)
            continue
        stems = sorted(os.path.splitext(os.path.basename(path))[0] for path, _ in members)
        if study["nb_file"] != len(members) or study["first_file"] != stems[0] or study["last_file"] != stems[-1]:
            problems.append("study %s: %d files %s..%s, pydicom %d files %s..%s" % (
                uid, study["nb_file"], study["first_file"], study["last_file"], len(members), stems[0], stems[-1]))
        # The study's fields come from one of its files (the first the walk met).
        candidates = []
        for _, ds in members:
            date = text(ds.get("StudyDate")) if "StudyDate" in ds else text(ds.get("ContentDate"))
            name = ds.get("PatientName")
            candidates.append({"study_id": text(ds.get("StudyID")), "patient_id": text(ds.get("PatientID")),
                               "study_date": date if date and len(date) == 8 else study["study_date"],
                               "patient_name": dicom_name(name)})
        ours = {key: study[key] for key in ("study_id", "patient_id", "study_date", "patient_name")}
        if ours not in candidates:
            problems.append("study %s: fields %r match none of its files: %r" % (uid, ours, candidates))

    for line in problems:
        print(line)
    print("%d files read by pydicom, %d placed, %d unplaced, %d studies: %d differences" % (
        len(files), len(placed), len(unplaced), len(catalogue["studies"]), len(problems)), file=sys.stderr)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
