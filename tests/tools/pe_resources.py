#!/usr/bin/env python3
"""Reads what a Windows program carries for the shell and the loader: its
resources (icons, manifest, version, strings) and the DLLs it imports.
No Windows needed: the PE file is read directly.

Usage: pe_resources.py FILE   prints a JSON summary
"""
import json
import struct
import sys

RT_ICON, RT_STRING, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 6, 14, 16, 24


class PeFile:
    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise ValueError("not an MZ executable")
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("no PE header")
        self.machine, sections, _, _, _, optional_size, _ = struct.unpack_from("<HHIIIHH", data, pe + 4)
        optional = pe + 24
        magic = struct.unpack_from("<H", data, optional)[0]
        directories = optional + (112 if magic == 0x20B else 96)
        count = struct.unpack_from("<I", data, directories - 4)[0]
        self.directories = [struct.unpack_from("<II", data, directories + 8 * i) for i in range(count)]
        self.sections = []
        table = optional + optional_size
        for i in range(sections):
            name, virtual_size, address, raw_size, raw_offset = struct.unpack_from("<8sIIII", data, table + 40 * i)
            self.sections.append((address, max(virtual_size, raw_size), raw_offset))

    def offset(self, rva):
        for address, size, raw in self.sections:
            if address <= rva < address + size:
                return raw + rva - address
        raise ValueError("address %#x is in no section" % rva)

    def c_string(self, rva):
        start = self.offset(rva)
        return self.data[start:self.data.index(b"\0", start)].decode("ascii")

    def imports(self):
        rva = self.directories[1][0]
        names = []
        while rva:
            descriptor = self.offset(rva)
            lookup, _, _, name, thunks = struct.unpack_from("<IIIII", self.data, descriptor)
            if name == 0 and thunks == 0:
                break
            names.append(self.c_string(name))
            rva += 20
        return names

    def resources(self):
        """{(type, name, language): bytes}; names are numbers or strings."""
        base_rva = self.directories[2][0]
        if not base_rva:
            return {}
        base = self.offset(base_rva)
        found = {}

        def entry_name(value):
            if value & 0x80000000:
                at = base + (value & 0x7FFFFFFF)
                length = struct.unpack_from("<H", self.data, at)[0]
                return self.data[at + 2:at + 2 + 2 * length].decode("utf-16-le")
            return value

        def walk(directory, path):
            named, numbered = struct.unpack_from("<HH", self.data, base + directory + 12)
            for i in range(named + numbered):
                name, target = struct.unpack_from("<II", self.data, base + directory + 16 + 8 * i)
                key = path + (entry_name(name),)
                if target & 0x80000000:
                    walk(target & 0x7FFFFFFF, key)
                else:
                    rva, size = struct.unpack_from("<II", self.data, base + target)
                    start = self.offset(rva)
                    found[key] = self.data[start:start + size]

        walk(0, ())
        return found


def version_strings(block):
    """The StringFileInfo values of a VS_VERSIONINFO resource."""
    values = {}

    def parse(at, end, depth):
        while at + 6 <= end:
            length, value_length, kind = struct.unpack_from("<HHH", block, at)
            if length == 0:
                break
            key_end = at + 6
            while block[key_end:key_end + 2] != b"\0\0":
                key_end += 2
            key = block[at + 6:key_end].decode("utf-16-le")
            value_at = (key_end + 2 + 3) & ~3
            if depth == 3 and kind == 1:
                text = block[value_at:value_at + 2 * value_length].decode("utf-16-le")
                values[key] = text.rstrip("\0")
                children = value_at + 2 * value_length
            else:
                children = value_at + (value_length if kind == 0 else 2 * value_length)
            if depth < 3 and (depth != 1 or key == "StringFileInfo"):
                parse((children + 3) & ~3, at + length, depth + 1)
            at = (at + length + 3) & ~3

    parse(0, len(block), 0)
    fixed = block.find(struct.pack("<I", 0xFEEF04BD))
    file_version = None
    if fixed >= 0:
        ms, ls = struct.unpack_from("<II", block, fixed + 8)
        file_version = [ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF]
    return values, file_version


def strings(resources):
    table = {}
    for (kind, block_id, _), data in resources.items():
        if kind != RT_STRING:
            continue
        at = 0
        for index in range(16):
            length = struct.unpack_from("<H", data, at)[0]
            if length:
                table[(block_id - 1) * 16 + index] = data[at + 2:at + 2 + 2 * length].decode("utf-16-le")
            at += 2 + 2 * length
    return table


def summary(path):
    with open(path, "rb") as f:
        pe = PeFile(f.read())
    resources = pe.resources()
    versions = [data for (kind, _, _), data in resources.items() if kind == RT_VERSION]
    version, file_version = version_strings(versions[0]) if versions else ({}, None)
    manifests = {str(name): data.decode("utf-8") for (kind, name, _), data in resources.items()
                 if kind == RT_MANIFEST}
    icon_sizes = {}
    for (kind, name, _), data in resources.items():
        if kind == RT_GROUP_ICON:
            count = struct.unpack_from("<H", data, 4)[0]
            icon_sizes[str(name)] = sorted(
                (struct.unpack_from("<B", data, 6 + 14 * i)[0] or 256) for i in range(count))
    return {
        "machine": "%#x" % pe.machine,
        "imports": pe.imports(),
        "group_icons": icon_sizes,
        "manifests": manifests,
        "version": version,
        "file_version": file_version,
        "strings": {str(k): v for k, v in strings(resources).items()},
        "dialogs": sorted(str(name) for (kind, name, _) in resources if kind == 5),
    }


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    json.dump(summary(sys.argv[1]), sys.stdout, indent=1, sort_keys=True)
    print()
