"""Resources of the shipped program file, read from the file itself (no Wine
needed): the application icon 128 that Explorer and the dialogs show, the
about command's text (string 101), the socket failure text (string 103)."""
import os
import struct
import sys
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import harness  # noqa: E402

RT_STRING, RT_GROUP_ICON, RT_ICON = 6, 14, 3


def resources(path):
    """{(type, id): [data of each language]} from the PE resource tree."""
    with open(path, "rb") as f:
        pe = f.read()
    head = struct.unpack_from("<I", pe, 0x3C)[0]
    sections, optional_size = struct.unpack_from("<H12xH", pe, head + 6)
    optional = head + 24
    directories = optional + (96 if struct.unpack_from("<H", pe, optional)[0] == 0x10B else 112)
    root_rva = struct.unpack_from("<I", pe, directories + 2 * 8)[0]
    table = optional + optional_size
    spans = [struct.unpack_from("<8xIIII", pe, table + 40 * i) for i in range(sections)]

    def offset(rva):
        for _vsize, va, raw_size, raw in spans:
            if va <= rva < va + raw_size:
                return rva - va + raw
        raise ValueError(f"RVA {rva:#x} outside the file")

    base = offset(root_rva)

    def entries(at):
        named, ids = struct.unpack_from("<12xHH", pe, base + at)
        for i in range(named + ids):
            name, target = struct.unpack_from("<II", pe, base + at + 16 + 8 * i)
            yield name, target

    found = {}
    for kind, kind_dir in entries(0):
        for name, name_dir in entries(kind_dir & 0x7FFFFFFF):
            for _lang, leaf in entries(name_dir & 0x7FFFFFFF):
                rva, size = struct.unpack_from("<II", pe, base + leaf)
                found.setdefault((kind, name), []).append(pe[offset(rva):offset(rva) + size])
    return found


def string(found, number):
    """String resource number: entry number % 16 of block number // 16 + 1."""
    data = found[(RT_STRING, number // 16 + 1)][0]
    pos = 0
    for _ in range(number % 16):
        pos += 2 + 2 * struct.unpack_from("<H", data, pos)[0]
    length = struct.unpack_from("<H", data, pos)[0]
    return data[pos + 2:pos + 2 + 2 * length].decode("utf-16-le")


class ProgramFileResourcesTest(unittest.TestCase):
    def test_icon_128_and_strings_101_and_103(self):
        found = resources(harness.exe_path("VantoExe.exe"))
        group = found[(RT_GROUP_ICON, 128)][0]
        count = struct.unpack_from("<H", group, 4)[0]
        sizes = sorted(group[6 + 14 * i] for i in range(count))
        self.assertEqual(sizes, [16, 32, 48])
        for i in range(count):
            icon_id = struct.unpack_from("<H", group, 6 + 14 * i + 12)[0]
            self.assertIn((RT_ICON, icon_id), found)
        self.assertEqual([k for k in found if k[0] == RT_GROUP_ICON], [(RT_GROUP_ICON, 128)],
                         "icon 128 is the program file's only icon, so Explorer shows it")
        self.assertEqual(string(found, 101), "VantoExe 정보(&A)...")
        self.assertEqual(string(found, 103), "Windows 소켓 초기화에 실패하였습니다.")


if __name__ == "__main__":
    harness.main()
