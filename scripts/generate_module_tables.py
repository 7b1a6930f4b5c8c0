#!/usr/bin/python3
"""Writes the module definition files of "data/DICOM Tables/" and src/dicom/DICOM_Module_Table.cpp.

Sources: the module tables of the DICOM standard (PS3.3) as GDCM installs them,
/usr/share/gdcm-3.0/XML/Part3.xml (package libgdcm3.0, <tables edition="2008">: DICOM edition
2008), and the standard's UID names (PS3.6 Annex A) in pydicom's copy,
/usr/lib/python3/dist-packages/pydicom/_uid_dict.py (package python3-pydicom).

Part3.xml holds three kinds of table: <iod> (the modules of an IOD: ref="C.x.y" and a usage
M, C or U), <module ref="C.x.y"> and <macro> (attribute entries whose names begin with one
'>' per nesting level, and <include ref=">Include 'X Macro' Table 8.8-1"> lines).

Written files, in the definition-file format of the module reader:
  DICOM_Module_<Modality>.txt      one line per module: "General_Series ; M"
  DICOM_Attributes_<Module>.txt    one line per attribute: ">(0008,1150) type=1 desc="...""
  DICOM_Include_<Macro>.txt        the same, for a macro; '>'#include "Macro" pulls one in
  src/dicom/DICOM_Module_Table.cpp the SOP class UID -> modality name table

Modalities: the program's own names (MODALITY_IODS below, each naming the IODs it covers;
several IODs give the modules common to them, with the weaker usage where they differ),
"OT_Image" (the modules of usage M common to those image IODs), and every other storage IOD
whose SOP class pydicom's table names, called after the IOD ("RT_Dose"). A SOP class is
found by name: the IOD's name with its abbreviations written out and " Storage" added,
compared without case, blanks or hyphens, ignoring "Waveform" and the " - For
Presentation" / " - For Processing" variants. Retired SOP classes of the same name map to
the same IOD.

An include names its macro by table number; where the number names no macro (a misprint
such as "Table 10.2-1"), by the macro's name. Entries the reader can't take are left out and
counted: no type or a type other than 1 1C 2 2C 3, a placeholder tag (the lines nested under
it go with it), an include line naming no table ("Any other Attribute ..."), an include of
no known macro, and an include that would bring a macro into itself (the recursive content
of structured reports), which the reader would follow forever; a left-out include stays as a
comment. Repeating groups (60xx) are written with their first group (6000).

Run with /usr/bin/python3 from anywhere:
    /usr/bin/python3 scripts/generate_module_tables.py          # rewrite the files
    /usr/bin/python3 scripts/generate_module_tables.py --check  # compare, exit 1 on a difference
"""

import filecmp
import os
import re
import runpy
import sys
import tempfile
import xml.etree.ElementTree as ElementTree

PART3 = "/usr/share/gdcm-3.0/XML/Part3.xml"
EDITION = "2008"
UID_DICT = "/usr/lib/python3/dist-packages/pydicom/_uid_dict.py"
REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
TABLES = os.path.join("data", "DICOM Tables")
TABLE_CPP = os.path.join("src", "dicom", "DICOM_Module_Table.cpp")
SCRIPT = "scripts/generate_module_tables.py"
SOURCE_NOTE = f"from GDCM's Part3.xml, DICOM edition {EDITION}"
MODULE_PREFIX = "DICOM_Module_"
ATTRIBUTES_PREFIX = "DICOM_Attributes_"
INCLUDE_PREFIX = "DICOM_Include_"
SUFFIX = ".txt"
MAX_MODALITIES = 100        # the module reader's modality cache holds no more

# The program's modality names and the IODs of Part3.xml each one covers.
MODALITY_IODS = [
    ("CR_Image", ["CR Image"]),
    ("CT_Image", ["CT Image"]),
    ("Enhanced_CT_Image", ["Enhanced CT Image"]),
    ("MR_Image", ["MR Image"]),
    ("Enhanced_MR_Image", ["Enhanced MR Image"]),
    ("NM_Image", ["NM Image"]),
    ("OP_Photography_Image", ["Ophthalmic Photography 8 Bit Image",
                              "Ophthalmic Photography 16 Bit Image"]),
    ("PET_Image", ["PET Image"]),
    ("SC_Image", ["SC Image"]),
    ("SC_Multi-Frame_Image", ["Multi Frame Single Bit SC Image",
                              "Multi Frame Grayscale Byte SC Image",
                              "Multi Frame Grayscale Word SC Image",
                              "Multi Frame True Color SC Image"]),
    ("US_Multi-Frame_Image", ["US Multi Frame Image"]),
    ("US_Image", ["US Image"]),
]
# The modality of images with no IOD of their own: the mandatory modules common to the above.
OTHER_IMAGE = "OT_Image"

# Abbreviations of IOD names written out as the SOP class names of PS3.6 have them.
ABBREVIATIONS = {
    "CR": "Computed Radiography", "NM": "Nuclear Medicine", "US": "Ultrasound",
    "PET": "Positron Emission Tomography", "SC": "Secondary Capture",
    "XA": "X Ray Angiographic", "XRF": "X Ray Radiofluoroscopic", "RF": "Radiofluoroscopic",
}
SOP_VARIANTS = (" - For Presentation", " - For Processing")
SOP_IGNORED_WORD = "waveform"
STORAGE = " Storage"
SOP_CLASS = "SOP Class"
RETIRED = "Retired"
RETIRED_MARK = " (Retired)"

USAGE_ORDER = "MCU"         # weaker to the right: a merge keeps the weaker usage
TYPES = {"1", "1C", "2", "2C", "3"}
REPEATING_GROUPS = {"50XX": "5000", "60XX": "6000"}
STEM_SUFFIXES = (" Module Attributes", " Macro Attributes", " Module", " Macro")
DESCRIPTION = " Description"
INVOKED_AS = re.compile(r"invoked as\s*\W\s*([^\"'\u201c\u201d]+)", re.IGNORECASE)
IOD_SUFFIX = " IOD Modules"
INCLUDE_WORD = re.compile(r"^Include\b\s*(.*)$", re.IGNORECASE)
INCLUDE_CONDITION = re.compile(r"\bif\b", re.IGNORECASE)
CONDITIONAL_TYPE = {"1": "1C", "2": "2C"}
CONDITIONAL_SUFFIX = "_Conditional"
# A type that the standard says overrides another module's for the same attribute
# ("This type definition shall override the definition in the General Series Module"):
# such a line is written forced ('!'), so that it wins over the other modules' lines.
OVERRIDE = re.compile(r"overrides? the (definition|type|optional)", re.IGNORECASE)
TABLE_NUMBER = re.compile(r"Table\s+([A-Z]?\.?[0-9][0-9A-Za-z.\-]*)", re.IGNORECASE)
QUOTES = "'\"\u2018\u2019\u201c\u201d"
QUOTED_NAME = re.compile(rf"^[\s{QUOTES}]*(.*?)[{QUOTES}]*\s*,?\s*\(?Table\b")
ASCII_FOR = {"\u00b5": "u", "\u03bc": "u", "\u2018": "'", "\u2019": "'", "\u201c": "'",
             "\u201d": "'", "\u2013": "-", "\u2014": "-", "\u00a0": " "}


# ---------------------------------------------------------------- names and texts

def ascii_text(text):
    """`text` in printable ASCII, fit for a double-quoted token or a comment."""
    text = "".join(ASCII_FOR.get(c, c) for c in " ".join(text.split()))
    text = text.encode("ascii", "replace").decode("ascii")
    return text.replace('"', "'").replace(";", ",")


def words(text):
    return re.sub(r"[^A-Za-z0-9]+", " ", text).strip()


def stem(name):
    """The file-name stem of a table: its name without the trailing kind, A-Z a-z 0-9 and '_'.
    A table the standard says is "invoked as" another name takes that name; a trailing
    " Description" goes first ("Person Identification Macro Attributes Description")."""
    invoked = INVOKED_AS.search(name)
    name = words(invoked.group(1) if invoked else name).removesuffix(DESCRIPTION)
    for suffix in STEM_SUFFIXES:
        if name.lower().endswith(suffix.lower()):
            name = name[: -len(suffix)]
            break
    return (name[:1].upper() + name[1:]).replace(" ", "_")


def table_key(number):
    """A table number compared without case and with '-' and '.' alike ("C.7-17A" = "c.7.17a")."""
    return number.strip(" .()").upper().replace("-", ".")


def name_key(name):
    """A macro name compared without case, blanks, punctuation and its trailing kind."""
    key = re.sub(r"[^a-z0-9]", "", name.lower())
    for suffix in ("attributesdescription", "attributes"):
        key = key.removesuffix(suffix)
    return key.removesuffix("macro")


def sop_key(name):
    """A SOP class name compared without case, blanks, hyphens, "Waveform" and variants."""
    name = name.removesuffix(RETIRED_MARK)
    for variant in SOP_VARIANTS:
        name = name.removesuffix(variant)
    expanded = [ABBREVIATIONS.get(w, w) for w in words(name).split()]
    return "".join(w.lower() for w in expanded if w.lower() != SOP_IGNORED_WORD).replace(" ", "")


def usage_of(text):
    """(letter, condition) of an IOD's module usage such as "C - Required if ..."."""
    text = ascii_text(text or "U")
    letter = text[0].upper()
    return (letter if letter in USAGE_ORDER else "U"), text[1:].strip(" -")


def weaker(first, second):
    return second if USAGE_ORDER.index(second[0]) > USAGE_ORDER.index(first[0]) else first


def unique_stems(tables):
    """{table element: stem} with the table number appended to every stem that clashes."""
    stems = {table: stem(table.get("name")) for table in tables}
    counts = {}
    for value in stems.values():
        counts[value] = counts.get(value, 0) + 1
    for table, value in stems.items():
        if counts[value] > 1:
            stems[table] = value + "_" + words(table.get("table")).replace(" ", "_")
    return stems


# ---------------------------------------------------------------- the sources

class Sources:
    """Part3.xml's tables indexed for the generator, and pydicom's SOP class names."""

    def __init__(self):
        root = ElementTree.parse(PART3).getroot()
        if root.get("edition") != EDITION:
            sys.exit(f"{PART3}: edition {root.get('edition')}, expected {EDITION}")
        self.iods = {t.get("name").removesuffix(IOD_SUFFIX): t for t in root if t.tag == "iod"}
        modules = [t for t in root if t.tag == "module"]
        macros = [t for t in root if t.tag == "macro"]
        self.module_by_ref = {t.get("ref"): t for t in modules}
        self.macro_by_table = {table_key(t.get("table")): t for t in macros}
        self.macro_by_name = {name_key(stem(t.get("name"))): t for t in macros}
        self.stems = unique_stems(modules)
        self.stems.update(unique_stems(macros))
        uids = runpy.run_path(UID_DICT)["UID_dictionary"]
        self.sop_classes = [(uid, entry[0] + (RETIRED_MARK if entry[3] == RETIRED else ""))
                            for uid, entry in uids.items()
                            if entry[1] == SOP_CLASS and STORAGE in entry[0]]

    def sop_classes_of(self, iod_name):
        """The (UID, name) of the storage SOP classes named after an IOD."""
        key = sop_key(iod_name + STORAGE)
        return [(uid, name) for uid, name in self.sop_classes if sop_key(name) == key]

    def macro_of(self, text):
        """The macro an include text names: by its table number, else by its quoted name."""
        number = TABLE_NUMBER.search(text)
        if number and table_key(number.group(1)) in self.macro_by_table:
            return self.macro_by_table[table_key(number.group(1))]
        name = QUOTED_NAME.match(text)
        return self.macro_by_name.get(name_key(name.group(1))) if name else None


# ---------------------------------------------------------------- modalities

class Modality:
    def __init__(self, name, iods, note):
        self.name = name
        self.iods = iods            # IOD names of Part3.xml
        self.note = note            # what the module list is, for the file's comment
        self.modules = []           # [(module ref, usage letter, condition)]


def iod_modules(sources, iod_name):
    """[(ref, (letter, condition))] of an IOD, in table order."""
    for entry in sources.iods[iod_name]:
        if entry.get("ref") not in sources.module_by_ref:
            sys.exit(f"{PART3}: the {iod_name} IOD names module {entry.get('ref')}, not found")
    return [(e.get("ref"), usage_of(e.get("usage"))) for e in sources.iods[iod_name]]


def common_modules(sources, iod_names, mandatory_only):
    """The modules every one of `iod_names` has (usage M in each when `mandatory_only`),
    in the first IOD's order, with the weakest usage met."""
    lists = [dict(iod_modules(sources, name)) for name in iod_names]
    common = []
    for ref, usage in iod_modules(sources, iod_names[0]):
        usages = [modules.get(ref) for modules in lists]
        if any(u is None or (mandatory_only and u[0] != "M") for u in usages):
            continue
        for other in usages:
            usage = weaker(usage, other)
        common.append((ref, usage[0], usage[1]))
    return common


def build_modalities(sources):
    """The modalities in file order, and the SOP class table {uid: (modality, SOP name)}."""
    modalities = []
    covered = set()
    for name, iod_names in MODALITY_IODS:
        for iod in iod_names:
            if iod not in sources.iods:
                sys.exit(f"{PART3}: no IOD named {iod!r}")
        note = (f"the modules of the {iod_names[0]} IOD" if len(iod_names) == 1 else
                "the modules common to the IODs " + ", ".join(iod_names)
                + " (the weaker usage where they differ)")
        modalities.append(Modality(name, iod_names, note))
        covered.update(iod_names)
    image_iods = [iod for _, iods in MODALITY_IODS for iod in iods]
    other = Modality(OTHER_IMAGE, [], "the modules of usage M common to the image IODs "
                     + ", ".join(image_iods))
    other.modules = common_modules(sources, image_iods, True)
    modalities.append(other)
    for iod in sorted(sources.iods):
        if iod not in covered and sources.sop_classes_of(iod):
            modalities.append(Modality(stem(iod), [iod], f"the modules of the {iod} IOD"))
    if len({m.name for m in modalities}) != len(modalities):
        sys.exit("two IODs give the same modality name")
    if len(modalities) > MAX_MODALITIES:
        sys.exit(f"{len(modalities)} modalities, the module reader holds {MAX_MODALITIES}")
    sop_table = {}
    for modality in modalities:
        if modality.iods:
            modality.modules = common_modules(sources, modality.iods, False)
        for iod in modality.iods:
            for uid, sop_name in sources.sop_classes_of(iod):
                if uid in sop_table:
                    sys.exit(f"{uid}: named after two IODs")
                sop_table[uid] = (modality.name, sop_name)
    return modalities, sop_table


# ---------------------------------------------------------------- attribute tables

class Counts:
    def __init__(self):
        self.values = {"files": 0, "modalities": 0, "sop classes": 0, "modules": 0, "macros": 0,
                       "attributes": 0, "includes": 0}
        self.skipped = {}

    def skip(self, reason):
        self.skipped[reason] = self.skipped.get(reason, 0) + 1


def depth_of(name):
    """(nesting depth, name without its '>' marks)."""
    marks = re.match(r"^[>\s]*", name).group(0)
    return marks.count(">"), name[len(marks):]


def tag_of(entry):
    """"(gggg,eeee)" of an entry, or None for a placeholder; second: a repeating group."""
    group, element = entry.get("group", "").upper(), entry.get("element", "").upper()
    repeating = group in REPEATING_GROUPS
    group = REPEATING_GROUPS.get(group, group)
    if not (re.fullmatch(r"[0-9A-F]{4}", group) and re.fullmatch(r"[0-9A-F]{4}", element)):
        return None, False
    return f"({group},{element})", repeating


class Table_Writer:
    """Turns module and macro tables into definition-file lines, following includes."""

    def __init__(self, sources, counts):
        self.sources = sources
        self.counts = counts
        self.texts = {}          # file name -> text
        self.open_macros = []    # the macros being written, innermost last
        self.done_macros = set()

    def table_lines(self, table, conditional=False):
        """The lines of one table, and whether it holds a repeating group. In a conditional
        table (a macro included under a condition) the types 1 and 2 of its top level
        become 1C and 2C: they are required only when the condition holds. Nested lines
        keep their types: they apply whenever their sequence is there."""
        lines = []
        repeating_seen = False
        skip_below = None        # depth of a left-out entry whose nested lines go with it
        for item in table:
            depth, text = depth_of(item.get("name") or item.get("ref") or "")
            if skip_below is not None:
                if depth > skip_below:
                    self.counts.skip("nested under a left-out entry")
                    continue
                skip_below = None
            if item.tag == "include":
                lines += self.include_lines(depth, text, conditional and depth == 0)
                continue
            tag, repeating = tag_of(item)
            entry_type = (item.get("type") or "").strip()
            if tag is None or entry_type not in TYPES:
                self.counts.skip("placeholder tag" if tag is None else "no type 1 1C 2 2C 3")
                skip_below = depth
                continue
            repeating_seen |= repeating
            if conditional and depth == 0:
                entry_type = CONDITIONAL_TYPE.get(entry_type, entry_type)
            forced = "!" if OVERRIDE.search(item.findtext("description") or "") else ""
            lines.append(f'{forced}{">" * depth}{tag} type={entry_type} desc="{ascii_text(text)}"')
            self.counts.values["attributes"] += 1
        return lines, repeating_seen

    def include_lines(self, depth, text, conditional=False):
        """The #include line of an include entry, or a comment saying why it is left out.
        An include under a condition ("Include ... if and only if Value Type is NUM"), or
        at the top of a conditional table, pulls in the macro's conditional form."""
        include = INCLUDE_WORD.match(text)
        macro = self.sources.macro_of(include.group(1)) if include else None
        if macro is None or macro in self.open_macros:
            reason = ("placeholder line" if not include else "include of an unknown table"
                      if macro is None else "include of a macro into itself")
            self.counts.skip(reason)
            return [f"; {'>' * depth}{ascii_text(text)}: left out ({reason})"]
        conditional = conditional or bool(INCLUDE_CONDITION.search(include.group(1)))
        self.write_macro(macro, conditional)
        self.counts.values["includes"] += 1
        return [f'{">" * depth}#include "{self.sources.stems[macro]}{CONDITIONAL_SUFFIX if conditional else ""}"']

    def write_macro(self, macro, conditional):
        if (macro, conditional) in self.done_macros:
            return
        self.open_macros.append(macro)
        self.write_table(INCLUDE_PREFIX, macro, "macro", conditional)
        self.open_macros.pop()
        self.done_macros.add((macro, conditional))
        self.counts.values["macros"] += 1

    def write_table(self, prefix, table, kind, conditional=False):
        lines, repeating = self.table_lines(table, conditional)
        reference = f", section {table.get('ref')}" if table.get("ref") else ""
        head = [f"; generated by {SCRIPT} {SOURCE_NOTE}; do not edit",
                f"; {kind} {ascii_text(table.get('name'))} (Table {table.get('table')}{reference})"]
        if conditional:
            head.append("; included under a condition: its top-level types 1 and 2 are written 1C and 2C")
        if repeating:
            head.append("; repeating groups (50xx, 60xx) are written with their first group"
                        " (5000, 6000)")
        stem = self.sources.stems[table] + (CONDITIONAL_SUFFIX if conditional else "")
        self.texts[prefix + stem + SUFFIX] = "\n".join(head + lines) + "\n"


def module_file(modality, sources):
    lines = [f"; generated by {SCRIPT} {SOURCE_NOTE}; do not edit",
             f"; {ascii_text(modality.note)}",
             "; one module per line, then its usage: M mandatory, C conditional, U user option"]
    for ref, letter, condition in modality.modules:
        usage = f"{letter} {condition}" if condition else letter
        lines.append(f"{sources.stems[sources.module_by_ref[ref]]} ; {usage}")
    return "\n".join(lines) + "\n"


def uid_order(uid):
    return uid.encode("ascii")


def table_source(sop_table):
    out = [
        "// The SOP classes of the storage IODs and the modality names of their module files",
        '// ("DICOM_Module_<modality>.txt" in the module folder), sorted by UID in strcmp order.',
        f"// Generated by {SCRIPT}",
        f"// {SOURCE_NOTE}, and pydicom's UID names; do not edit.",
        '#include "dicom/DICOM_Module_Table.h"',
        "",
        "const DICOM_Module_SOP DICOM_Module_SOP_Table[] = {",
    ]
    for uid in sorted(sop_table, key=uid_order):
        modality, sop_name = sop_table[uid]
        out.append(f'    {{"{uid}", "{modality}"}},  // {ascii_text(sop_name)}')
    out += ["};", "",
            "const int DICOM_Module_SOP_Count = (int)(sizeof DICOM_Module_SOP_Table / "
            "sizeof DICOM_Module_SOP_Table[0]);"]
    return "\n".join(out) + "\n"


# ---------------------------------------------------------------- generation and check

def generate(root):
    """Writes every file under `root`; returns the counts."""
    sources = Sources()
    counts = Counts()
    modalities, sop_table = build_modalities(sources)
    writer = Table_Writer(sources, counts)
    texts = {}
    used = set()
    for modality in modalities:
        texts[MODULE_PREFIX + modality.name + SUFFIX] = module_file(modality, sources)
        used.update(sources.module_by_ref[ref] for ref, _, _ in modality.modules)
    for module in sorted(used, key=lambda m: sources.stems[m]):
        writer.write_table(ATTRIBUTES_PREFIX, module, "module")
        counts.values["modules"] += 1
    texts.update(writer.texts)
    folder = os.path.join(root, TABLES)
    os.makedirs(folder, exist_ok=True)
    for name, text in texts.items():
        with open(os.path.join(folder, name), "w", encoding="ascii", newline="\n") as target:
            target.write(text)
    os.makedirs(os.path.dirname(os.path.join(root, TABLE_CPP)), exist_ok=True)
    with open(os.path.join(root, TABLE_CPP), "w", encoding="ascii", newline="\n") as target:
        target.write(table_source(sop_table))
    counts.values["files"] = len(texts) + 1
    counts.values["modalities"] = len(modalities)
    counts.values["sop classes"] = len(sop_table)
    return counts


def own_files(root):
    """The files this generator owns under `root`, as paths relative to it."""
    folder = os.path.join(root, TABLES)
    names = os.listdir(folder) if os.path.isdir(folder) else []
    files = {os.path.join(TABLES, f) for f in names if f.endswith(SUFFIX) and f.startswith(
        (MODULE_PREFIX, ATTRIBUTES_PREFIX, INCLUDE_PREFIX))}
    if os.path.exists(os.path.join(root, TABLE_CPP)):
        files.add(TABLE_CPP)
    return files


def differences(fresh_root):
    fresh, kept = own_files(fresh_root), own_files(REPO)
    out = [f"missing in the repository: {f}" for f in sorted(fresh - kept)]
    out += [f"not generated from the source: {f}" for f in sorted(kept - fresh)]
    for f in sorted(fresh & kept):
        if not filecmp.cmp(os.path.join(fresh_root, f), os.path.join(REPO, f), shallow=False):
            out.append(f"differs from the source: {f}")
    return out


def report(counts):
    print(", ".join(f"{key} {value}" for key, value in counts.values.items()))
    skipped = sum(counts.skipped.values())
    print(f"skipped {skipped}: " + ", ".join(f"{reason} {number}" for reason, number
                                             in sorted(counts.skipped.items())))


def main(argv):
    if argv not in ([], ["--check"]):
        sys.exit(f"usage: {SCRIPT} [--check]")
    if argv == ["--check"]:
        with tempfile.TemporaryDirectory() as fresh_root:
            report(generate(fresh_root))
            found = differences(fresh_root)
        for line in found:
            print(line)
        return 1 if found else 0
    for stale in own_files(REPO):
        if stale != TABLE_CPP:
            os.remove(os.path.join(REPO, stale))
    report(generate(REPO))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
