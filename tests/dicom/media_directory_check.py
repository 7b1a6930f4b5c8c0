"""Checks a DICOMDIR with pydicom's FileSet: every instance it names must sit under the
patient, study and series that its own file gives (a file without a Patient ID under a
generated one, "HDPAT" and digits); prints "instances N agree" and
"patients N". With --make-new PATH, writes an explicit little endian copy of the first
file under PATH with new UIDs and a new patient, for a DICOMDIR tool to append."""
import os
import sys

import pydicom
from pydicom.fileset import FileSet
from pydicom.uid import ExplicitVRLittleEndian, generate_uid


def check(folder):
    fs = FileSet(os.path.join(folder, "DICOMDIR"))
    agree = 0
    for instance in fs:
        own = pydicom.dcmread(instance.path, stop_before_pixels=True)
        patient = instance.node.parent.parent.parent._record.PatientID
        if ((patient == own.get("PatientID") or (not own.get("PatientID") and patient.startswith("HDPAT")))
                and instance.node.parent.parent._record.StudyInstanceUID == own.StudyInstanceUID
                and instance.node.parent._record.SeriesInstanceUID == own.SeriesInstanceUID
                and instance.SOPInstanceUID == own.SOPInstanceUID):
            agree += 1
    print("instances %d agree" % agree if agree == len(fs) else "instances %d of %d" % (agree, len(fs)))
    print("patients %d" % len(fs.find_values("PatientID")))


def make_new(folder, path):
    first = sorted(os.path.join(d, f) for d, _, names in os.walk(folder) for f in names if f != "DICOMDIR")[0]
    ds = pydicom.dcmread(first)
    ds.decompress() if ds.file_meta.TransferSyntaxUID.is_compressed else None
    ds.PatientID = "NEWPAT"
    ds.StudyInstanceUID, ds.SeriesInstanceUID, ds.SOPInstanceUID = generate_uid(), generate_uid(), generate_uid()
    ds.file_meta.MediaStorageSOPInstanceUID = ds.SOPInstanceUID
    ds.file_meta.TransferSyntaxUID = ExplicitVRLittleEndian
    ds.is_little_endian, ds.is_implicit_VR = True, False
    os.makedirs(os.path.dirname(os.path.join(folder, path)), exist_ok=True)
    ds.save_as(os.path.join(folder, path), write_like_original=False)


if len(sys.argv) > 3 and sys.argv[2] == "--make-new":
    make_new(sys.argv[1], sys.argv[3])
else:
    check(sys.argv[1])
