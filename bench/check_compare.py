#!/usr/bin/python3
"""The IOD check against dicom3tools' dciodvfy, the reference IOD checker, on the same files.

For each file, both programs are run: `harrowdesk-cli check --json FILE` and `dciodvfy FILE`.
From each, the attributes named as missing type 1 (absent or empty) and missing type 2 are
taken, by tag (dciodvfy names keywords; pydicom's dictionary gives their tags). The script
prints, per file, both verdicts and the tags only one of them names, then the agreement: the
share of files on which both name the same tags, and the share of named tags both name.

A disagreement is "explained" when its keyword stands in EXPLAINED with the reason; with
--strict the script exits 1 when an unexplained disagreement remains (the conformance test
runs it so).

Files: every file below each FOLDER given (pydicom's test files by default), and, with
--removed N, for the first N of them that our check passes, copies with one attribute that
the file's template makes type 1 or type 2 removed (written by pydicom into a temporary
folder).

Usage: check_compare.py --cli PATH [--removed N] [--strict] [FOLDER...]
"""
import argparse
import json
import os
import re
import subprocess
import sys
import tempfile

import pydicom
from pydicom.datadict import tag_for_keyword

PYDICOM_FILES = "/usr/lib/python3/dist-packages/pydicom/data/test_files"

# Keywords on which the two checkers differ for a known reason. Our templates come from
# the module tables of the 2008 edition of the standard (GDCM's Part3.xml); dciodvfy
# follows the 2022 edition and encodes rules that the tables only state in prose.
EXPLAINED = {
    "IssuerOfPatientID": "edition: the 2008 Patient module makes Issuer of Patient ID type 1 inside the "
                         "Other Patient IDs Sequence; later editions make it optional there",
    "AnatomicRegionSequence": "edition: the 2008 Segmentation module includes the General Anatomy Mandatory "
                              "Macro in each Segment Sequence item; later editions do not require it there",
    "OperatorsName": "edition: later editions add Operators' Name, type 2, to the RT Series module; the 2008 "
                     "module does not name it",
    "SpecimenDescriptionSequence": "edition: later editions add the Specimen module (Container Identifier "
                                   "and its sequences) to the image IODs; the 2008 tables have no such module "
                                   "for CT, so a file holding Container Identifier is not held to it",
    "ContainerTypeCodeSequence": "edition: see SpecimenDescriptionSequence",
    "IssuerOfTheContainerIdentifierSequence": "edition: see SpecimenDescriptionSequence",
    "ClinicalTrialSponsorName": "edition: later editions put Clinical Trial Protocol Ethics Committee Name "
                                "into the Clinical Trial Subject module; a file holding it makes dciodvfy "
                                "check that module, which in the 2008 tables does not name it",
    "ClinicalTrialProtocolID": "edition: see ClinicalTrialSponsorName",
    "ClinicalTrialProtocolName": "edition: see ClinicalTrialSponsorName",
    "ClinicalTrialSiteID": "edition: see ClinicalTrialSponsorName",
    "ClinicalTrialSiteName": "edition: see ClinicalTrialSponsorName",
    "ContrastBolusAgent": "module presence: these files carry Contrast/Bolus Volume and Total Dose; ours takes "
                          "the Contrast/Bolus module as present and asks for its agent, dciodvfy judges the "
                          "module's condition (contrast was used) and warns about the stray attributes",
    "NumberOfFrames": "module presence: these one-frame dose files keep Frame Increment Pointer, so ours takes "
                      "the Multi-frame module as present; dciodvfy judges its condition (multi-frame data)",
}

# dciodvfy's words when it found no IOD to check the file against (it takes the IOD from
# SOP Class UID (0008,0016) alone; ours falls back to the meta group's (0002,0002)).
NOT_CHECKED = ("Information Object Not found", "Unrecognized SOP Class")

DCIODVFY_LINE = re.compile(
    r"^Error - (Missing|Empty) attribute(?: \(no value\))? Type (1|2) Required Element=<(\w+)>")


def tag_text(keyword):
    tag = tag_for_keyword(keyword)
    return None if tag is None else "(%04x,%04x)" % (tag >> 16, tag & 0xFFFF)


def keyword_of(tag):
    group, element = int(tag[1:5], 16), int(tag[6:10], 16)
    return pydicom.datadict.keyword_for_tag((group << 16) | element) or tag


def dciodvfy_tags(path):
    """The tags dciodvfy names as missing type 1 or 2 (absent or empty), and its verdict."""
    run = subprocess.run(["dciodvfy", path], capture_output=True, text=True, errors="replace")
    tags, errors = set(), 0
    output = run.stdout + run.stderr
    for reason in NOT_CHECKED:
        if reason in output:
            return None, reason
    for line in output.splitlines():
        errors += line.startswith("Error")
        match = DCIODVFY_LINE.match(line)
        if match and tag_text(match.group(3)):
            tags.add((tag_text(match.group(3)), match.group(2)))
    return tags, errors


def our_tags(cli, path):
    """The tags our check names as missing type 1 or 2 (absent or empty), and its result."""
    run = subprocess.run([cli, "check", "--json", path], capture_output=True, text=True, errors="replace")
    document = json.loads(run.stdout)[0]
    tags = set()
    for finding in document["findings"]:
        if finding["kind"] in ("missing", "empty") and finding["type"] in ("1", "2"):
            tags.add((finding["tag"], finding["type"]))
    return tags, document


def dicom_files(folders):
    for folder in folders:
        for parent, _, names in sorted(os.walk(folder)):
            for name in sorted(names):
                path = os.path.join(parent, name)
                try:
                    pydicom.dcmread(path, stop_before_pixels=True)
                except Exception:
                    continue
                yield path


def removed_variants(cli, paths, count, folder):
    """Copies of the first `count` files that pass our check, each without one attribute
    that its template makes type 1 or 2 (the first one at the top level that it has)."""
    made = []
    for path in paths:
        if len(made) >= count:
            break
        _, document = our_tags(cli, path)
        if document["failures"] or not document["modality"]:
            continue
        dataset = pydicom.dcmread(path)
        for keyword in ("PatientID", "StudyInstanceUID", "SeriesInstanceUID", "Modality", "PatientName",
                        "StudyDate", "Rows", "SOPInstanceUID", "StudyID", "SeriesNumber"):
            if keyword in dataset:
                del dataset[keyword]
                target = os.path.join(folder, "%03d-%s-without-%s" % (len(made), os.path.basename(path), keyword))
                dataset.save_as(target)
                made.append(target)
                break
    return made


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--cli", required=True, help="the harrowdesk-cli program")
    parser.add_argument("--removed", type=int, default=0)
    parser.add_argument("--strict", action="store_true")
    parser.add_argument("folders", nargs="*", default=[PYDICOM_FILES])
    options = parser.parse_args()

    paths = list(dicom_files(options.folders))
    with tempfile.TemporaryDirectory() as scratch:
        paths += removed_variants(options.cli, paths, options.removed, scratch)
        files = agreeing = named_both = named_any = 0
        unexplained = []
        for path in paths:
            shown = os.path.basename(path) if path.startswith(scratch) else os.path.relpath(path)
            theirs, their_errors = dciodvfy_tags(path)
            ours, document = our_tags(options.cli, path)
            if not document["modality"] or theirs is None:
                print("%s: not compared (%s)" % (shown, "dciodvfy: " + their_errors if theirs is None
                                                 else "ours: " + document["findings"][0]["message"]))
                continue
            files += 1
            agreeing += theirs == ours
            named_both += len(theirs & ours)
            named_any += len(theirs | ours)
            print("%s: ours %d failed (%s), dciodvfy %d errors" % (shown, document["failures"],
                                                                  document["modality"], their_errors))
            for side, tags in (("only ours", ours - theirs), ("only dciodvfy", theirs - ours)):
                for tag, kind in sorted(tags):
                    keyword = keyword_of(tag)
                    reason = EXPLAINED.get(keyword)
                    print("    %s: %s %s type %s%s" % (side, tag, keyword, kind, " -- " + reason if reason else ""))
                    if not reason:
                        unexplained.append((path, side, tag, keyword))
    print()
    print("files compared: %d; same missing type 1/2 attributes: %d (%.1f%%)" %
          (files, agreeing, 100.0 * agreeing / files if files else 0))
    print("attributes named: %d; by both: %d (%.1f%%); unexplained disagreements: %d" %
          (named_any, named_both, 100.0 * named_both / named_any if named_any else 100.0, len(unexplained)))
    return 1 if options.strict and unexplained else 0


if __name__ == "__main__":
    sys.exit(main())
