"""The DICOM files of a folder tree, for the scripts that write pydicom's view of them."""
import os

NOT_DICOM = (".txt", ".dump", ".json", ".gz", "README")


def dicom_files(folder):
    """Every file below `folder`, sorted, READMEs, dumps, JSON and gzip files left out."""
    for root, _, names in sorted(os.walk(folder)):
        for name in sorted(names):
            if not name.endswith(NOT_DICOM):
                yield os.path.join(root, name)
