#!/usr/bin/python3
"""The "DICOM Tables" files against their sources, read here without the generators' code.

The private dictionaries against DCMTK's private.dic (every creator in exactly one file,
every element with its VR), the module files of a few IODs against GDCM's Part3.xml, the
SOP class table against pydicom's UID names, and the shape every reader of the files relies
on (ASCII, line feeds, tag lines, includes that resolve and never loop).
Run: /usr/bin/python3 tests/dicom/DICOM_Tables_conformance_test.py
"""

import os
import re
import runpy
import unittest
import xml.etree.ElementTree as ElementTree

REPO = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
TABLES = os.path.join(REPO, "data", "DICOM Tables")
PRIVATE_DIC = "/usr/share/libdcmtk17/private.dic"
PART3 = "/usr/share/gdcm-3.0/XML/Part3.xml"
UID_DICT = "/usr/lib/python3/dist-packages/pydicom/_uid_dict.py"
SOP_TABLE = os.path.join(REPO, "src", "dicom", "DICOM_Module_Table.cpp")

# An attribute line; '!' marks a type that overrides the other modules' lines for it.
ATTRIBUTE_LINE = re.compile(r'^!?>*\([0-9A-F]{4},[0-9A-F]{4}\)( type=(1|1C|2|2C|3))?( VR=[A-Z]{2})?'
                            r'( desc=("[^";]*"|[^" ;]+))?$')
INCLUDE_LINE = re.compile(r'^(>*)#include "([A-Za-z0-9_\-]+)"$')


def read_lines(name):
    with open(os.path.join(TABLES, name), encoding="ascii") as table:
        return table.read().split("\n")[:-1]


def content_lines(name):
    return [line for line in read_lines(name) if not line.startswith(";")]


def files(prefix):
    return sorted(f for f in os.listdir(TABLES) if f.startswith(prefix) and f.endswith(".txt"))


def private_entries():
    """[(creator, group, element, VR)] of private.dic, group ranges expanded."""
    entries = []
    with open(PRIVATE_DIC, encoding="ascii") as source:
        for line in source:
            if not line.startswith("("):
                continue
            tag, vr = line.split("\t")[:2]
            groups, creator, element = re.fullmatch(r'\(([^,]+),"(.*)",(\w+)\)', tag).groups()
            first, _, last = groups.partition("-o-")
            for group in range(int(first, 16), int(last or first, 16) + 1, 2):
                entries.append((creator, group, int(element, 16), vr))
    return entries


def creator_file(creator):
    return "DICOM_Private_" + re.sub(r'["*/:<>?\\|]', "_", creator.strip()).upper() + ".txt"


class Private_Dictionaries(unittest.TestCase):
    def test_every_creator_of_private_dic_is_named_in_the_one_file_its_name_leads_to(self):
        creators = {entry[0] for entry in private_entries()}
        named = {}
        for name in files("DICOM_Private_"):
            for line in read_lines(name):
                if line.startswith("; creator: "):
                    named.setdefault(line[len("; creator: "):], []).append(name)
        self.assertEqual(len(named), len(creators))
        for creator in creators:
            self.assertEqual(named.get(creator), [creator_file(creator)], creator)

    def test_every_element_of_private_dic_is_in_its_creators_file_with_its_vr(self):
        lines = {}
        for creator, group, element, vr in private_entries():
            name = creator_file(creator)
            if name not in lines:
                lines[name] = set(content_lines(name))
            tag = f"({group:04X},{element:04X})"
            vr_token = f" VR={vr}" if re.fullmatch("[A-Z]{2}", vr) else ""
            self.assertTrue(any(line.startswith(tag + vr_token + " desc=") for line in lines[name]),
                            f"{name}: {tag} {vr}")

    def test_a_fixed_element_keeps_its_block_and_a_low_byte_element_loses_it(self):
        rows = [
            ("DICOM_Private_PHILIPS MR_PART.txt", "(0021,1000) VR=IS desc=ReconstructionNumber"),
            ("DICOM_Private_PHILIPS MR_PART.txt", "(0021,1100) VR=DA desc=ScanDate"),
            ("DICOM_Private_GEMS_ACQU_01.txt", '(0019,0014) VR=SS desc="End NumberForBaseline"'),
            ("DICOM_Private_DLX_LKUP_01.txt", "(60FF,0002) VR=US desc=GrayPaletteColorLookupTableData"),
        ]
        for name, line in rows:
            self.assertIn(line, content_lines(name))
        self.assertNotIn("(0021,0000) VR=DA desc=ScanDate", content_lines(rows[0][0]))
        self.assertFalse(any(line.startswith("(6000,") for line in content_lines(rows[3][0])))


class Module_Files(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.part3 = ElementTree.parse(PART3).getroot()

    def table(self, kind, **attributes):
        for table in self.part3:
            if table.tag == kind and all(table.get(k) == v for k, v in attributes.items()):
                return table
        raise KeyError(attributes)

    def test_an_iods_module_file_lists_its_modules_with_their_usage_in_table_order(self):
        rows = [("CT_Image", "CT Image IOD Modules"), ("MR_Image", "MR Image IOD Modules"),
                ("RT_Dose", "RT Dose IOD Modules"), ("US_Image", "US Image IOD Modules")]
        for modality, iod in rows:
            usages = [e.get("usage")[0] for e in self.table("iod", name=iod)]
            modules = [line.split(" ; ") for line in content_lines(f"DICOM_Module_{modality}.txt")]
            self.assertEqual([usage[0] for _, usage in modules], usages, modality)
            for stem, _ in modules:
                self.assertTrue(os.path.exists(os.path.join(TABLES, f"DICOM_Attributes_{stem}.txt")))

    def test_general_series_holds_the_tags_of_its_table_in_order_at_their_depth(self):
        module = self.table("module", ref="C.7.3.1")
        expected = [">" * e.get("name").count(">") + f"({e.get('group')},{e.get('element')})"
                    for e in module if e.tag == "entry"]
        written = [line.split(" ")[0] for line in content_lines("DICOM_Attributes_General_Series.txt")
                   if "#include" not in line]
        self.assertEqual(written, expected)

    def test_the_other_image_modality_has_the_mandatory_modules_every_listed_image_iod_has(self):
        self.assertEqual([line.split(" ; ")[0] for line in content_lines("DICOM_Module_OT_Image.txt")],
                         ["Patient", "General_Study", "General_Series", "Image_Pixel", "SOP_Common"])

    def test_every_line_is_an_attribute_or_an_include_that_resolves_without_a_loop(self):
        includes = {}
        for name in files("DICOM_Attributes_") + files("DICOM_Include_"):
            with open(os.path.join(TABLES, name), "rb") as table:
                data = table.read()
            self.assertTrue(data.endswith(b"\n") and b"\r" not in data and data.isascii(), name)
            for line in content_lines(name):
                include = INCLUDE_LINE.match(line)
                self.assertTrue(include or ATTRIBUTE_LINE.match(line), f"{name}: {line}")
                if include:
                    includes.setdefault(name, []).append(f"DICOM_Include_{include.group(2)}.txt")
        for targets in includes.values():
            for target in targets:
                self.assertTrue(os.path.exists(os.path.join(TABLES, target)), target)

        def reaches(start, seen):
            for target in includes.get(start, []):
                self.assertNotIn(target, seen, f"{start} includes {target} again")
                reaches(target, seen | {target})
        for name in includes:
            reaches(name, {name})


class SOP_Class_Table(unittest.TestCase):
    def test_each_sop_class_maps_by_name_to_a_module_file_that_exists(self):
        names = runpy.run_path(UID_DICT)["UID_dictionary"]
        with open(SOP_TABLE, encoding="ascii") as source:
            table = re.findall(r'\{"([0-9.]+)", "([^"]+)"\}', source.read())
        uids = [uid for uid, _ in table]
        self.assertEqual(uids, sorted(set(uids), key=lambda uid: uid.encode()))
        mapping = dict(table)
        for uid, modality in table:
            self.assertIn("Storage", names[uid][0], uid)
            self.assertTrue(os.path.exists(os.path.join(TABLES, f"DICOM_Module_{modality}.txt")))
        self.assertLessEqual(len(set(mapping.values())) + 1, 100)
        rows = [("CTImageStorage", "CT_Image"), ("EnhancedMRImageStorage", "Enhanced_MR_Image"),
                ("UltrasoundImageStorageRetired", "US_Image"),
                ("UltrasoundMultiFrameImageStorageRetired", "US_Multi-Frame_Image"),
                ("MultiFrameTrueColorSecondaryCaptureImageStorage", "SC_Multi-Frame_Image"),
                ("OphthalmicPhotography16BitImageStorage", "OP_Photography_Image"),
                ("RTDoseStorage", "RT_Dose")]
        by_keyword = {entry[4]: uid for uid, entry in names.items()}
        for keyword, modality in rows:
            self.assertEqual(mapping.get(by_keyword[keyword]), modality, keyword)
        self.assertNotIn(by_keyword["Verification"], mapping)


if __name__ == "__main__":
    unittest.main()
