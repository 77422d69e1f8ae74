#!/usr/bin/env python3
"""Checks the form of a built Windows program: a GUI PE of the expected machine, with the manifest,
the version resource, dialog 102 and icon group 128, importing no MinGW runtime DLL.

    check_program_form.py PROGRAM.exe i686|x86_64
"""
import struct
import sys

MACHINES = {"i686": (0x14C, 0x10B), "x86_64": (0x8664, 0x20B)}
GUI_SUBSYSTEM = 2
RT_ICON, RT_DIALOG, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 5, 14, 16, 24
# DLLs a MinGW program needs when its runtime is not linked in.
MINGW_DLLS = ("libgcc", "libstdc++", "libwinpthread", "libssp")


class Image:
    def __init__(self, data):
        self.data = data
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("not a PE image")
        self.machine, sections, _, _, _, optional_size, _ = struct.unpack_from("<HHIIIHH", data, pe + 4)
        optional = pe + 24
        self.magic = struct.unpack_from("<H", data, optional)[0]
        self.subsystem = struct.unpack_from("<H", data, optional + 68)[0]
        directories = optional + (96 if self.magic == 0x10B else 112)
        self.directories = [struct.unpack_from("<II", data, directories + 8 * i) for i in range(16)]
        table = optional + optional_size
        self.sections = [struct.unpack_from("<8sIIII", data, table + 40 * i) for i in range(sections)]

    def offset(self, rva):
        for _, virtual_size, address, raw_size, raw in self.sections:
            if address <= rva < address + max(virtual_size, raw_size):
                return rva - address + raw
        raise ValueError("address outside the image: %#x" % rva)

    def text(self, rva):
        start = self.offset(rva)
        return self.data[start:self.data.index(b"\0", start)].decode("ascii")

    def imported_dlls(self):
        rva = self.directories[1][0]
        names, at = [], self.offset(rva) if rva else None
        while at is not None:
            name_rva = struct.unpack_from("<I", self.data, at + 12)[0]
            if name_rva == 0:
                break
            names.append(self.text(name_rva))
            at += 20
        return names

    def resource_ids(self):
        """{type: [ids]} of the resource directory's first two levels."""
        rva = self.directories[2][0]
        if not rva:
            return {}
        base = self.offset(rva)

        def entries(at):
            named, numbered = struct.unpack_from("<HH", self.data, at + 12)
            for i in range(named + numbered):
                ident, target = struct.unpack_from("<II", self.data, at + 16 + 8 * i)
                yield ident, target

        found = {}
        for type_id, target in entries(base):
            if target & 0x80000000 and not type_id & 0x80000000:
                found[type_id] = [i for i, _ in entries(base + (target & 0x7FFFFFFF))]
        return found


def main():
    path, arch = sys.argv[1], sys.argv[2]
    image = Image(open(path, "rb").read())
    problems = []
    machine, magic = MACHINES[arch]
    if (image.machine, image.magic) != (machine, magic):
        problems.append("machine %#x, optional header %#x; want %s" % (image.machine, image.magic, arch))
    if image.subsystem != GUI_SUBSYSTEM:
        problems.append("subsystem %d, not a GUI program" % image.subsystem)
    resources = image.resource_ids()
    for kind, ident, what in ((RT_MANIFEST, 1, "manifest"), (RT_VERSION, 1, "version resource"),
                              (RT_DIALOG, 102, "dialog 102"), (RT_GROUP_ICON, 128, "icon 128")):
        if ident not in resources.get(kind, []):
            problems.append("no " + what)
    if len(resources.get(RT_ICON, [])) < 3:
        problems.append("icon 128 has fewer than three sizes")
    runtime = [dll for dll in image.imported_dlls() if dll.lower().startswith(MINGW_DLLS)]
    if runtime:
        problems.append("imports MinGW DLLs: " + ", ".join(runtime))
    for problem in problems:
        print("%s: %s" % (path, problem), file=sys.stderr)
    if not problems:
        print("%s: %s GUI program with manifest, version, dialog 102, icon 128; imports %s"
              % (path, arch, ", ".join(image.imported_dlls())))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
