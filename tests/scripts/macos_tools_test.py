#!/usr/bin/env python3
"""The Mac build's own tools — scripts/macos-sign and scripts/macos-link-check — on small Mach-O
files made here, so they are tested on Linux without a Mac linker."""

import os
import plistlib
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
SIGN = os.path.join(ROOT, "scripts", "macos-sign")
LINK_CHECK = os.path.join(ROOT, "scripts", "macos-link-check")

ARM64, X86_64 = 0x0100000C, 0x01000007
LIBSYSTEM = "/usr/lib/libSystem.B.dylib"


def pad(data, to):
    return data + b"\0" * (-len(data) % to)


def macho(cputype=ARM64, dylibs=(LIBSYSTEM,), imports=(("_foo", 1, 0),), minos=(13, 0), twolevel=True,
          first_section=0x1000, text_pages=3):
    """A thin executable: __TEXT (one section), __LINKEDIT with a symbol table of `imports`
    (name, library ordinal, n_desc flags), LC_BUILD_VERSION and one LC_LOAD_DYLIB per library."""
    text_end = 0x1000 * text_pages
    strings = b"\0" + b"".join(name.encode() + b"\0" for name, _, _ in imports)
    symbols = b""
    offset = 1
    for name, ordinal, flags in imports:
        symbols += struct.pack("<IBBHQ", offset, 0x01, 0, (ordinal << 8) | flags, 0)
        offset += len(name) + 1
    linkedit = pad(symbols + strings, 8)

    commands = []
    section = struct.pack("<16s16sQQIIIIIIII", b"__text", b"__TEXT", 0x100000000 + first_section, 0x100,
                          first_section, 2, 0, 0, 0x80000400, 0, 0, 0)
    commands.append(struct.pack("<II16sQQQQiiII", 0x19, 72 + 80, b"__TEXT", 0x100000000, text_end, 0, text_end,
                                5, 5, 1, 0) + section)
    commands.append(struct.pack("<II16sQQQQiiII", 0x19, 72, b"__LINKEDIT", 0x100000000 + text_end, 0x4000,
                                text_end, len(linkedit), 1, 1, 0, 0))
    commands.append(struct.pack("<IIIIII", 0x32, 24, 1, (minos[0] << 16) | (minos[1] << 8), 14 << 16, 0))
    for lib in dylibs:
        name = pad(lib.encode() + b"\0", 8)
        commands.append(struct.pack("<IIIIII", 0xC, 24 + len(name), 24, 2, 0x10000, 0x10000) + name)
    commands.append(struct.pack("<IIIIII", 0x2, 24, text_end, len(imports), text_end + len(symbols), len(strings)))
    body = b"".join(commands)
    flags = 0x80 if twolevel else 0
    header = struct.pack("<IiiIIIII", 0xFEEDFACF, cputype, 0, 2, len(commands), len(body), flags, 0)
    data = header + body
    assert len(data) <= first_section
    data = pad(data, first_section) + b"\xc3" * 0x100
    data = data + bytes(range(256)) * ((text_end - len(data)) // 256)
    data = data + b"\0" * (text_end - len(data))
    return data + linkedit


def universal(*thin_files):
    """A universal file of the given slices, each aligned to 16 KiB."""
    header = struct.pack(">II", 0xCAFEBABE, len(thin_files))
    offset = 0x4000
    body = b""
    for thin in thin_files:
        cputype = struct.unpack_from("<i", thin, 4)[0]
        header += struct.pack(">iiIII", cputype, 0, offset, len(thin), 14)
        body += thin + b"\0" * (-len(thin) % 0x4000)
        offset += len(thin) + (-len(thin) % 0x4000)
    return pad(header, 0x4000) + body


def run(*args):
    done = subprocess.run([sys.executable, *args], capture_output=True, text=True)
    return done.returncode, done.stdout + done.stderr


class Folder(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="corvane-macos-tools-")

    def tearDown(self):
        shutil.rmtree(self.dir)

    def write(self, name, data):
        path = os.path.join(self.dir, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)
        return path

    def read(self, path):
        with open(path, "rb") as f:
            return f.read()


class MacosSign(Folder):
    def test_signs_an_unsigned_binary_and_signing_again_replaces_the_signature(self):
        path = self.write("tool", macho())
        self.assertEqual(run(SIGN, "sign", path, "--identifier", "app.corvane.tool"), (0, ""))
        code, out = run(SIGN, "verify", path)
        self.assertEqual(code, 0, out)
        self.assertIn("signed ad hoc as app.corvane.tool (1 architecture)", out)
        once = self.read(path)
        self.assertEqual(run(SIGN, "sign", path, "--identifier", "app.corvane.tool")[0], 0)
        self.assertEqual(self.read(path), once, "a second signature replaces the first exactly")

    def test_any_changed_byte_of_the_code_fails_verification(self):
        path = self.write("tool", macho())
        run(SIGN, "sign", path)
        data = bytearray(self.read(path))
        data[0x1800] ^= 1
        self.write("tool", bytes(data))
        code, out = run(SIGN, "verify", path)
        self.assertEqual(code, 1)
        self.assertIn("page 1 does not match", out)

    def test_a_binary_without_room_for_the_load_command_is_refused(self):
        tight = macho(first_section=0x200)
        header_end = 32 + struct.unpack_from("<I", tight, 20)[0]
        tight = macho(first_section=header_end + (-header_end % 8))
        path = self.write("tool", tight)
        code, out = run(SIGN, "sign", path)
        self.assertEqual(code, 1)
        self.assertIn("no room", out)
        self.assertEqual(self.read(path), tight, "a refused file is left as it was")

    def test_a_universal_binary_verifies_slice_by_slice(self):
        arm = self.write("arm", macho(ARM64))
        intel = self.write("intel", macho(X86_64))
        run(SIGN, "sign", arm)
        run(SIGN, "sign", intel)
        fat = self.write("fat", universal(self.read(arm), self.read(intel)))
        code, out = run(SIGN, "verify", fat)
        self.assertEqual(code, 0, out)
        self.assertIn("2 architectures", out)
        self.assertEqual(run(SIGN, "sign", fat)[0], 1, "a universal file is signed one slice at a time")
        unsigned = self.write("mixed", universal(self.read(arm), macho(X86_64)))
        self.assertEqual(run(SIGN, "verify", unsigned), (1, "macos-sign: not signed\n"))

    def make_bundle(self):
        app = os.path.join(self.dir, "Corvane.app")
        info = {"CFBundleExecutable": "Corvane", "CFBundleIdentifier": "app.corvane.Corvane"}
        self.write("Corvane.app/Contents/Info.plist", plistlib.dumps(info))
        self.write("Corvane.app/Contents/Resources/shortcuts.json", b"{}")
        thin = self.write("thin", macho())
        self.assertEqual(run(SIGN, "sign-bundle-executable", app, thin), (0, ""))
        self.write("Corvane.app/Contents/MacOS/Corvane", self.read(thin))
        return app

    def test_a_bundle_seals_its_info_plist_and_resources(self):
        app = self.make_bundle()
        code, out = run(SIGN, "verify", app)
        self.assertEqual(code, 0, out)
        self.assertIn("app.corvane.Corvane", out)
        seal = plistlib.loads(self.read(os.path.join(app, "Contents", "_CodeSignature", "CodeResources")))
        self.assertEqual(sorted(seal["files2"]), ["Resources/shortcuts.json"])
        self.assertEqual(sorted(seal["files"]), ["Resources/shortcuts.json"])

    def test_a_bundle_whose_resources_or_info_plist_change_fails_verification(self):
        app = self.make_bundle()
        self.write("Corvane.app/Contents/Resources/extra.json", b"[]")
        self.assertIn("resources changed", run(SIGN, "verify", app)[1])
        os.remove(os.path.join(app, "Contents", "Resources", "extra.json"))
        self.assertEqual(run(SIGN, "verify", app)[0], 0)
        info = plistlib.loads(self.read(os.path.join(app, "Contents", "Info.plist")))
        info["CFBundleVersion"] = "2"
        self.write("Corvane.app/Contents/Info.plist", plistlib.dumps(info))
        self.assertIn("special slot 1", run(SIGN, "verify", app)[1])


class MacosSignWithCertificate(Folder):
    def certificate(self, name, usage="codeSigning"):
        cert, key = os.path.join(self.dir, name + ".pem"), os.path.join(self.dir, name + ".key")
        subprocess.run(["openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:P-256", "-nodes",
                        "-keyout", key, "-out", cert, "-days", "2", "-subj", "/CN=" + name,
                        "-addext", "extendedKeyUsage=critical," + usage], check=True, capture_output=True)
        return ["--cert", cert, "--key", key]

    def designated_requirement(self, path):
        data = self.read(path)
        ncmds = struct.unpack_from("<I", data, 16)[0]
        offset = 32
        for _ in range(ncmds):
            cmd, size = struct.unpack_from("<II", data, offset)
            if cmd == 0x1D:
                dataoff = struct.unpack_from("<I", data, offset + 8)[0]
                blob = data[dataoff:]
                count = struct.unpack_from(">I", blob, 8)[0]
                for i in range(count):
                    slot, at = struct.unpack_from(">II", blob, 12 + 8 * i)
                    if slot == 2:
                        return blob[at:at + struct.unpack_from(">I", blob, at + 4)[0]]
            offset += size
        self.fail("no requirements in %s" % path)

    def test_two_builds_signed_with_one_certificate_share_their_designated_requirement(self):
        # What keeps the Accessibility grant: the requirement names the certificate, not the code.
        keep = self.certificate("Corvane Signing")
        first = self.write("first", macho(text_pages=3))
        second = self.write("second", macho(text_pages=5))
        for path in (first, second):
            self.assertEqual(run(SIGN, "sign", path, "--identifier", "app.corvane.Corvane", *keep), (0, ""))
            code, out = run(SIGN, "verify", path)
            self.assertEqual(code, 0, out)
            self.assertIn("signed with the certificate CN = Corvane Signing as app.corvane.Corvane", out)
        self.assertEqual(self.designated_requirement(first), self.designated_requirement(second))
        other = self.write("other", macho())
        run(SIGN, "sign", other, "--identifier", "app.corvane.Corvane", *self.certificate("Someone Else"))
        self.assertNotEqual(self.designated_requirement(other), self.designated_requirement(first))

    def test_a_changed_page_or_cms_signature_fails_verification(self):
        path = self.write("tool", macho())
        run(SIGN, "sign", path, *self.certificate("Corvane Signing"))
        signed = self.read(path)
        page = bytearray(signed)
        page[0x1800] ^= 1
        self.write("tool", bytes(page))
        self.assertIn("page 1 does not match", run(SIGN, "verify", path)[1])
        # The CMS signature's last bytes are the signature value itself.
        cms = bytearray(signed)
        end = len(signed.rstrip(b"\0"))
        cms[end - 2] ^= 1
        self.write("tool", bytes(cms))
        code, out = run(SIGN, "verify", path)
        self.assertEqual(code, 1, out)
        self.assertIn("openssl cms failed", out)

    def test_a_bundle_signed_with_a_certificate_verifies_and_a_wrong_certificate_is_refused(self):
        app = os.path.join(self.dir, "Corvane.app")
        self.write("Corvane.app/Contents/Info.plist", plistlib.dumps(
            {"CFBundleExecutable": "Corvane", "CFBundleIdentifier": "app.corvane.Corvane"}))
        thin = self.write("thin", macho())
        self.assertEqual(run(SIGN, "sign-bundle-executable", app, thin, *self.certificate("Corvane Signing"))[0], 0)
        self.write("Corvane.app/Contents/MacOS/Corvane", self.read(thin))
        code, out = run(SIGN, "verify", app)
        self.assertEqual(code, 0, out)
        self.assertIn("with the certificate", out)
        untouched = self.write("plain", macho())
        code, out = run(SIGN, "sign", untouched, *self.certificate("Mail", usage="emailProtection"))
        self.assertEqual(code, 1)
        self.assertIn("not a code-signing certificate", out)
        self.assertEqual(self.read(untouched), macho(), "a refused file is left as it was")
        self.assertIn("go together", run(SIGN, "sign", untouched, "--cert", "x.pem")[1])

    def test_record_sdk_writes_the_sdk_and_keeps_the_minimum(self):
        path = self.write("tool", macho(minos=(13, 0)))
        self.assertEqual(run(SIGN, "record-sdk", path, "14.2"), (0, ""))
        data = self.read(path)
        at = data.index(struct.pack("<II", 0x32, 24))
        self.assertEqual(struct.unpack_from("<II", data, at + 12), ((13 << 16), (14 << 16) | (2 << 8)))
        self.assertEqual(run(SIGN, "record-sdk", path, "14.x")[0], 1)


class MacosLinkCheck(Folder):
    def setUp(self):
        super().setUp()
        self.stubs = os.path.join(self.dir, "stubs")
        self.write("stubs/libSystem.tbd", b"""--- !tapi-tbd
tbd-version:     4
targets:         [ x86_64-macos, arm64-macos ]
install-name:    '/usr/lib/libSystem.B.dylib'
reexported-libraries:
  - targets:         [ x86_64-macos, arm64-macos ]
    libraries:       [ '/usr/lib/system/libsystem_c.dylib' ]
exports:
  - targets:         [ x86_64-macos, arm64-macos ]
    symbols:         [ _foo, _both ]
  - targets:         [ arm64-macos ]
    symbols:         [ _armOnly ]
--- !tapi-tbd
tbd-version:     4
targets:         [ x86_64-macos, arm64-macos ]
install-name:    '/usr/lib/system/libsystem_c.dylib'
exports:
  - targets:         [ x86_64-macos, arm64-macos ]
    symbols:         [ _printf ]
...
""")
        self.write("stubs/AppKit.tbd", b"""--- !tapi-tbd
tbd-version:     4
targets:         [ x86_64-macos, arm64-macos ]
install-name:    '/System/Library/Frameworks/AppKit.framework/Versions/C/AppKit'
exports:
  - targets:         [ x86_64-macos, arm64-macos ]
    objc-classes:    [ NSPanel ]
...
""")

    def check(self, data):
        return run(LINK_CHECK, "--stubs", self.stubs, self.write("program", data))

    def test_a_program_importing_only_what_its_libraries_export_passes(self):
        appkit = "/System/Library/Frameworks/AppKit.framework/Versions/C/AppKit"
        code, out = self.check(macho(dylibs=(LIBSYSTEM, appkit),
                                     imports=(("_foo", 1, 0), ("_printf", 1, 0), ("_OBJC_CLASS_$_NSPanel", 2, 0))))
        self.assertEqual(code, 0, out)
        self.assertIn("arm64, system libraries only", out)

    def test_a_symbol_the_stub_lacks_for_that_architecture_fails(self):
        self.assertEqual(self.check(macho(ARM64, imports=(("_armOnly", 1, 0),)))[0], 0)
        code, out = self.check(macho(X86_64, imports=(("_armOnly", 1, 0),)))
        self.assertEqual(code, 1)
        self.assertIn("_armOnly is not exported by /usr/lib/libSystem.B.dylib", out)

    def test_a_library_outside_the_system_fails(self):
        code, out = self.check(macho(dylibs=(LIBSYSTEM, "/opt/homebrew/lib/libutf8proc.3.dylib")))
        self.assertEqual(code, 1)
        self.assertIn("/opt/homebrew/lib/libutf8proc.3.dylib, which is not part of the system", out)

    def test_lookups_by_name_and_flat_namespaces_fail(self):
        code, out = self.check(macho(imports=(("_foo", 0xFE, 0),)))
        self.assertEqual(code, 1)
        self.assertIn("_foo is looked up at run time by name", out)
        code, out = self.check(macho(twolevel=False))
        self.assertEqual(code, 1)
        self.assertIn("flat namespace", out)

    def test_the_minimum_macos_must_be_the_one_asked(self):
        code, out = self.check(macho(minos=(12, 0)))
        self.assertEqual(code, 1)
        self.assertIn("minimum macOS is 12.0, not 13.0", out)
        code, out = run(LINK_CHECK, "--stubs", self.stubs, "--minimum", "12.0", self.write("old", macho(minos=(12, 0))))
        self.assertEqual(code, 0, out)

    def test_the_sdk_recorded_must_be_the_one_asked(self):
        # macho() records 14.0, as a linker that writes no SDK of its own leaves it.
        program = self.write("program", macho())
        code, out = run(LINK_CHECK, "--stubs", self.stubs, "--sdk", "14.2", program)
        self.assertEqual(code, 1)
        self.assertIn("built against the macOS 14.0 SDK, not 14.2", out)
        self.assertEqual(run(SIGN, "record-sdk", program, "14.2")[0], 0)
        self.assertEqual(run(LINK_CHECK, "--stubs", self.stubs, "--sdk", "14.2", program)[0], 0)

    def test_weak_imports_are_listed_and_every_slice_of_a_universal_file_is_checked(self):
        code, out = self.check(universal(macho(ARM64, imports=(("_foo", 1, 0x40),)), macho(X86_64)))
        self.assertEqual(code, 0, out)
        self.assertIn("arm64 + x86_64", out)
        self.assertIn("weak: _foo (libSystem.B.dylib)", out)
        code, out = self.check(universal(macho(ARM64), macho(X86_64, imports=(("_nothing", 1, 0),))))
        self.assertEqual(code, 1)
        self.assertIn("(x86_64): _nothing is not exported", out)


if __name__ == "__main__":
    unittest.main()
