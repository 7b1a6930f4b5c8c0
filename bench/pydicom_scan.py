#!/usr/bin/python3
"""The pydicom side of the scan benchmark: builds the catalogue that `harrowdesk-cli scan`
builds (studies by Study Instance UID, their series by Series Instance UID, their images
with SOP Instance UID and instance number, each study's patient, date and first and last
file name) from every file below FOLDER, reading headers only. Prints the counts.

Usage: pydicom_scan.py FOLDER
"""
import os
import sys

import pydicom

TAGS = ["StudyInstanceUID", "SeriesInstanceUID", "SOPInstanceUID", "InstanceNumber", "StudyID",
        "PatientName", "PatientID", "StudyDate", "ContentDate", "SeriesNumber", "SeriesDescription"]


def main():
    if len(sys.argv) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    studies, files = {}, 0
    for folder, subfolders, names in os.walk(sys.argv[1]):
        subfolders.sort()
        for name in sorted(names):
            if name == "DICOMDIR":
                continue
            files += 1
            try:
                ds = pydicom.dcmread(os.path.join(folder, name), stop_before_pixels=True, specific_tags=TAGS)
            except Exception:
                continue
            study_uid, series_uid = ds.get("StudyInstanceUID"), ds.get("SeriesInstanceUID")
            if not study_uid:
                continue
            stem = os.path.splitext(name)[0]
            study = studies.setdefault(study_uid, {"id": ds.get("StudyID"), "patient": str(ds.get("PatientName", "")),
                                                   "patient_id": ds.get("PatientID"),
                                                   "date": ds.get("StudyDate") or ds.get("ContentDate"),
                                                   "first": stem, "last": stem, "files": 0, "series": {}})
            study["first"], study["last"] = min(study["first"], stem), max(study["last"], stem)
            study["files"] += 1
            if not series_uid:
                continue
            series = study["series"].setdefault(series_uid, {"number": ds.get("SeriesNumber"),
                                                             "description": ds.get("SeriesDescription"), "images": []})
            series["images"].append((ds.get("SOPInstanceUID"), ds.get("InstanceNumber")))
    images = sum(len(s["images"]) for study in studies.values() for s in study["series"].values())
    print("%d files, %d studies, %d images" % (files, len(studies), images))
    return 0


if __name__ == "__main__":
    sys.exit(main())
