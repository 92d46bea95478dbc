#!/usr/bin/env bash
# Makes the archives the archiver tests read, with the peer tools: a small
# tree packed by GNU tar, gzip, compress and Info-ZIP zip, names in UTF-8
# and Shift-JIS, and a set of hostile archives.
# Usage: make_data.sh OUTDIR
set -euo pipefail
out=$1
rm -rf "$out"
mkdir -p "$out/tree/src/bin" "$out/tree/src/sub"
cd "$out/tree"
python3 - <<'PY'
import random
random.seed(5)
words = [b"archive ", b"entry ", b"\xe6\x9b\xb8\xe5\xba\xab ", b"folder\n", b"QAZ ", b"0123 "]
open("src/text.txt", "wb").write(b"".join(random.choice(words) for _ in range(20000)))
open("src/bin/noise.bin", "wb").write(bytes(random.getrandbits(8) for _ in range(100000)))
open("src/empty", "wb").close()
open("src/sub/\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e.txt".encode("latin1").decode("utf-8"), "wb").write(b"utf-8 name\n")
PY
# One moment for every file, so the tests know each listed date.
find src -exec touch -h -d @1709618828 {} +
tar --format=gnu -cf ../tree.tar src
tar --format=gnu -czf ../tree.tgz src
tar --format=gnu -cZf ../tree.taz src
tar --format=pax -czf ../tree_pax.tar.gz src
gzip -c -n src/text.txt > ../text.txt.gz
gzip -c src/text.txt > ../named.gz          # stores the name text.txt
compress -c src/text.txt > ../text.txt.Z
zip -qrX ../tree.zip src
zip -qrX0 ../stored.zip src
zip -qrX -fz ../tree64.zip src
# Shift-JIS names as a Japanese Windows zip stores them: the bytes as they are.
mkdir -p ../sjis && cd ../sjis
sjis=$(printf '\x83\x5c\x83\x74\x83\x67.txt')   # ソフト.txt, with 0x5C as a trail byte
printf 'shift-jis name\n' > "$sjis"
touch -d @1709618828 "$sjis"
zip -qX ../sjis.zip "$sjis"
cd ..
python3 - <<'PY'
import io, struct, tarfile, zipfile, zlib

def zip_with(name, entries):
    with zipfile.ZipFile(name, "w", zipfile.ZIP_DEFLATED) as z:
        for n, data in entries:
            info = zipfile.ZipInfo(n, (2024, 3, 5, 6, 7, 8))
            info.compress_type = zipfile.ZIP_DEFLATED
            z.writestr(info, data)

# UTF-8 names with flag bit 11.
zip_with("utf8.zip", [("\u65e5\u672c/\u30bd\u30d5\u30c8.txt", b"utf-8 flag\n")])
# Entries that lead outside, next to one good entry.
zip_with("slip.zip", [("good.txt", b"good\n"), ("../evil1.txt", b"x"), ("a/../../evil2.txt", b"x"),
                      ("/evil3.txt", b"x"), ("C:/evil4.txt", b"x"), ("\\evil5.txt", b"x"), ("a/NUL", b"x")])
# A symbolic link out of the destination, then a file written through it.
t = tarfile.open("symlink.tar", "w")
def add(name, data=b"", kind=tarfile.REGTYPE, link=""):
    i = tarfile.TarInfo(name); i.type = kind; i.linkname = link; i.size = len(data); i.mtime = 1709618828
    t.addfile(i, io.BytesIO(data) if data else None)
add("good.txt", b"good\n")
add("link", kind=tarfile.SYMTYPE, link="../../outside")
add("link/evil6.txt", b"x")
add("hard", kind=tarfile.LNKTYPE, link="/etc/passwd")
add("up", kind=tarfile.SYMTYPE, link="../evil7.txt")
add("inside", kind=tarfile.SYMTYPE, link="good.txt")
add("../evil8.txt", b"x")
t.close()
# A deflate stream cut short, and one damaged in the middle.
zip_with("big.zip", [("first.txt", b"first\n"), ("big.txt", bytes(range(256)) * 4000 + b"end" * 30000)])
raw = bytearray(open("big.zip", "rb").read())
z = zipfile.ZipFile("big.zip")
info = z.getinfo("big.txt")
data_at = info.header_offset + 30 + len(info.filename.encode()) + len(info.extra)
damaged = bytearray(raw)
for k in range(40):
    damaged[data_at + info.compress_size // 2 + k] ^= 0xA5
open("damaged.zip", "wb").write(damaged)
# A deflate stream cut short inside a well-formed archive: the sizes declare
# the whole stream, the data holds its first half.
full = bytes(range(256)) * 4000
body = zlib.compressobj(6, zlib.DEFLATED, -15)
stream = body.compress(full) + body.flush()
half = stream[:len(stream) // 2]
name = b"cut.bin"
local = struct.pack("<IHHHHHIIIHH", 0x04034b50, 20, 0, 8, 0, 0x5865, zlib.crc32(full), len(half), len(full), len(name), 0) + name
central = struct.pack("<IHHHHHHIIIHHHHHII", 0x02014b50, 20, 20, 0, 8, 0, 0x5865, zlib.crc32(full), len(half), len(full),
                      len(name), 0, 0, 0, 0, 0, 0) + name
end = struct.pack("<IHHHHIIH", 0x06054b50, 0, 0, 1, 1, len(central), len(local) + len(half), 0)
open("truncated.zip", "wb").write(local + half + central + end)
# About 1 KB that declares an entry of 4 GB (ZIP64 sizes), with little data behind it.
body = zlib.compressobj(9, zlib.DEFLATED, -15)
packed = body.compress(b"\0" * 200000) + body.flush()
name = b"bomb.bin"
extra = struct.pack("<HHQQ", 1, 16, 4 * 1024**3, len(packed))
local = struct.pack("<IHHHHHIIIHH", 0x04034b50, 45, 0, 8, 0, 0x5865, 0, 0xFFFFFFFF, 0xFFFFFFFF, len(name), len(extra)) + name + extra
central = struct.pack("<IHHHHHHIIIHHHHHII", 0x02014b50, 45, 45, 0, 8, 0, 0x5865, 0, 0xFFFFFFFF, 0xFFFFFFFF,
                      len(name), len(extra), 0, 0, 0, 0, 0) + name + extra
cd_at = len(local) + len(packed)
end64 = struct.pack("<IQHHIIQQQQ", 0x06064b50, 44, 45, 45, 0, 0, 1, 1, len(central), cd_at)
loc = struct.pack("<IIQI", 0x07064b50, 0, cd_at + len(central), 1)
end = struct.pack("<IHHHHIIH", 0x06054b50, 0, 0, 0xFFFF, 0xFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0)
open("bomb.zip", "wb").write(local + packed + central + end64 + loc + end)
# The same declaring 1 EB: more than any disk holds.
huge = lambda b: b.replace(struct.pack("<Q", 4 * 1024**3), struct.pack("<Q", 1 << 60))
open("huge.zip", "wb").write(huge(local) + packed + huge(central) + end64 + loc + end)
# A UTF-8 name carried only in the Info-ZIP Unicode path field (0x7075),
# beside a plain name in another code page.
plain = "x.txt".encode()
utf8 = "\u65e5\u672c/\u30bd\u30d5\u30c8.txt".encode()
info = zipfile.ZipInfo("x.txt", (2024, 3, 5, 6, 7, 8))
info.extra = struct.pack("<HHBI", 0x7075, 5 + len(utf8), 1, zlib.crc32(plain)) + utf8
with zipfile.ZipFile("unicode_field.zip", "w") as z:
    z.writestr(info, b"unicode path field\n")
# The same as a tar.gz: a header declaring 4 GB and a short body.
t = tarfile.open("bomb.tar", "w", format=tarfile.GNU_FORMAT)
i = tarfile.TarInfo("bomb.bin"); i.size = 0; t.addfile(i); t.close()
tarbytes = bytearray(open("bomb.tar", "rb").read())
tarbytes[124:136] = b"%011o\0" % (4 * 1024**3)
tarbytes[148:156] = b"        "
tarbytes[148:156] = b"%06o\0 " % sum(tarbytes[:512])
gz = zlib.compressobj(9, zlib.DEFLATED, 31)
open("bomb.tgz", "wb").write(gz.compress(bytes(tarbytes[:512]) + b"\0" * 100000) + gz.flush())
PY
# A gzip stream cut in half.
head -c $(( $(stat -c %s tree.tgz) / 2 )) tree.tgz > truncated.tgz

# Archives from the wild: what other tools write and the peers read.
mkdir -p wild && cd wild
# A sparse file (two parts with data, holes around them) in GNU's old sparse
# entries and in the three pax sparse formats.
python3 - <<'PY'
f = open("sparse.bin", "wb")
f.seek(100000); f.write(b"hello " * 700)
f.seek(600000); f.write(bytes(range(256)) * 64)
f.truncate(1000000)
PY
touch -d @1709618828 sparse.bin
tar --format=gnu --sparse -cf ../sparse_gnu.tar sparse.bin
for v in 0.0 0.1 1.0; do
  tar --format=pax --sparse --sparse-version=$v -czf ../sparse_$v.tgz sparse.bin
  tar --format=pax --sparse --sparse-version=$v -cf ../sparse_$v.tar sparse.bin  # plain, for the fuzzer
done
# The same tree whose gzip check value (CRC-32, then the length) is wrong.
for at in 8 4; do
  python3 -c "import sys; b = bytearray(open('../tree.tgz', 'rb').read()); b[-$at] ^= 0x55; sys.stdout.buffer.write(b)" \
    > ../badcheck$at.tgz
done
# A ZIP after other data, as self-extracting programs and appended archives are.
head -c 3000 /dev/urandom > stub.bin
cat stub.bin ../tree.zip > ../prefixed.zip
cat stub.bin ../tree64.zip > ../prefixed64.zip
# 262,304 bytes that deflate about 250 : 1, the input used up while zlib still
# holds output.
python3 -c "import sys; sys.stdout.buffer.write((b'QAZ' * 43 + b'\n') * 2016 + b'x' * 224)" > packed.txt
zip -qX ../packed.zip packed.txt
# Links before the file they name, as 7-Zip stores them.
mkdir -p links && (cd links && printf 'the library itself\n' > libx.so.0.0.0 && ln -s libx.so.0.0.0 libx.so.0 &&
  ln -s libx.so.0 libx.so && 7z a -snl -tzip ../../links.zip libx.so libx.so.0 libx.so.0.0.0 >/dev/null)
# EUC-JP names, as Japanese Unix systems wrote them; and a hard link in a
# folder whose name ends in a character with trail byte 0x5C (表, ソ).
mkdir -p euc && (cd euc && for n in 日本語.txt ソフト表.txt; do
  printf 'euc-jp name\n' > "$(printf '%s' "$n" | iconv -f UTF-8 -t EUC-JP)"; done &&
  tar --format=gnu -cf ../../eucjp.tar *)
# Shift-JIS names that end in a trail byte 0x5C, as a Japanese Windows zip
# stores them: a file ソ, and a file ソ in a folder 表.
mkdir -p sjis_trail && (cd sjis_trail && so=$(printf '\x83\x5c') && hyo=$(printf '\x95\x5c') && mkdir -p "$hyo" &&
  printf 'a file named so\n' > "$so" && cp "$so" "$hyo/$so" && zip -qX ../../sjis_trail.zip "$so" "$hyo/$so")
mkdir -p 表 && printf 'linked\n' > 表/a.txt && ln 表/a.txt 表/b.txt && tar --format=gnu -cf ../hardlink_dbcs.tar 表
python3 - <<'PY'
import struct, zipfile
# Extra fields with padding, in Info-ZIP's ZIP64 archive whose sizes live
# in the extra field: alignment bytes before the ZIP64 block, an unknown
# block, and bytes too short to be a block after it.
raw = open("../tree64.zip", "rb").read()
end64 = raw.rfind(b"PK\6\6")
count, dir_size, dir_at = struct.unpack("<QQQ", raw[end64 + 32:end64 + 56])
records, pos, k = b"", dir_at, 0
while pos < dir_at + dir_size:
    n, e, c = struct.unpack("<HHH", raw[pos + 28:pos + 34])
    extra = raw[pos + 46 + n:pos + 46 + n + e]
    extra = [b"\0\0\0" + extra, struct.pack("<HH", 0xCAFE, 4) + b"abcd" + extra, extra + b"\0\0\0"][k % 3]
    records += raw[pos:pos + 30] + struct.pack("<H", len(extra)) + raw[pos + 32:pos + 46 + n] + extra + \
        raw[pos + 46 + n + e:pos + 46 + n + e + c]
    pos, k = pos + 46 + n + e + c, k + 1
at = dir_at + len(records)
tail = struct.pack("<IQHHIIQQQQ", 0x06064b50, 44, 45, 45, 0, 0, count, count, len(records), dir_at)
tail += struct.pack("<IIQI", 0x07064b50, 0, at, 1)
tail += struct.pack("<IHHHHIIH", 0x06054b50, 0, 0, 0xFFFF, 0xFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0)
open("../extra_padding.zip", "wb").write(raw[:dir_at] + records + tail)
# Folders of MS-DOS and Windows tools: the folder attribute, no trailing slash.
with zipfile.ZipFile("../dos_folders.zip", "w") as z:
    for name, data, attr in (("docs", b"", 0x10), ("docs/a.txt", b"in a folder\n", 0x20)):
        info = zipfile.ZipInfo(name, (2024, 3, 5, 6, 7, 8))
        info.create_system = 0
        info.external_attr = attr
        z.writestr(info, data)
# Entries that overlap: three central records pointing at one packed stream.
zipfile.ZipFile("../one.zip", "w", zipfile.ZIP_DEFLATED).writestr("a.bin", b"\0" * 100000)
raw = open("../one.zip", "rb").read()
end = raw.rfind(b"PK\5\6")
count, size, offset = struct.unpack("<HII", raw[end + 10:end + 20])
central = raw[offset:offset + size]
records = b"".join(central.replace(b"a.bin", n) for n in (b"a.bin", b"b.bin", b"c.bin"))
end_record = struct.pack("<IHHHHIIH", 0x06054b50, 0, 0, 3, 3, len(records), offset, 0)
open("../overlap.zip", "wb").write(raw[:offset] + records + end_record)
# 2,100 entries with GNU long names of 1 MB each, in 2.3 MB: one gzip member
# per entry (a stream may hold many), then the end of the archive.
import gzip, io, tarfile
buf = io.BytesIO()
t = tarfile.open(fileobj=buf, mode="w", format=tarfile.GNU_FORMAT)
i = tarfile.TarInfo("d/" + "n" * (1024 * 1024 - 10) + "/x.txt")
t.addfile(i)
t.close()
entry = buf.getvalue()[:-1024]
entry = entry[:len(entry) - (len(entry) % 512)]
while entry.endswith(b"\0" * 512):
    entry = entry[:-512]
member = gzip.compress(entry, 6, mtime=0)
with open("../longnames.tgz", "wb") as f:
    f.write(member * 2100 + gzip.compress(b"\0" * 1024, 6, mtime=0))
PY
cd ..
