#!/usr/bin/env python3
"""Records seed inputs from simulator sessions and shipped files into the campaigns' work folders.

Runs velmora-devsim on its pseudo-terminal, sends what the program sends, and keeps what the
simulated device answered, as the receive path sees it. Usage: record_seeds.py BIN_DIR

The inputs go to fuzz-corpus/<target>/ beside BIN_DIR (where scripts/fuzz keeps what campaigns
find), not to fuzz/corpus/: `scripts/fuzz --merge` then takes into the seed corpus only those that
reach code the seeds do not.
"""
import base64
import hashlib
import json
import os
import select
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
WORK = None  # fuzz-corpus/ of the build folder, set from BIN_DIR


def crc8(data):
    crc = 0
    for b in data:
        crc ^= b
        for _ in range(8):
            crc = (crc >> 1) ^ 0x8C if crc & 1 else crc >> 1
    return crc


def gen3_request(command, params=b""):
    frame = b"\x31\x10" + bytes([command]) + params
    return frame + bytes([crc8(frame)])


def seed(target, data):
    folder = os.path.join(WORK, target)
    os.makedirs(folder, exist_ok=True)
    name = hashlib.sha1(data).hexdigest()[:16]
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def record(bindir, args, requests, seconds):
    """The bytes the simulator sent, with what we sent in between, as (direction, bytes) pairs."""
    sim = subprocess.Popen([os.path.join(bindir, "velmora-devsim")] + args, stdout=subprocess.PIPE,
                           stderr=subprocess.DEVNULL)
    try:
        path = sim.stdout.readline().decode().strip()
        fd = os.open(path, os.O_RDWR | os.O_NOCTTY)
        os.system("stty -F %s raw -echo 2>/dev/null" % path)
        events = []
        deadline = time.time() + seconds
        pending = list(requests)
        next_send = time.time() + 0.3
        while time.time() < deadline:
            if pending and time.time() >= next_send:
                out = pending.pop(0)
                os.write(fd, out)
                events.append(("sent", out))
                next_send = time.time() + 0.4
            ready, _, _ = select.select([fd], [], [], 0.05)
            if ready:
                chunk = os.read(fd, 65536)
                if chunk:
                    events.append(("received", chunk))
        os.close(fd)
        return events
    finally:
        sim.terminate()
        sim.wait()


def received(events):
    return b"".join(data for kind, data in events if kind == "received")


def log_file(events):
    """An exchange log as the log page saves it: stamp, tab, text, CR LF per entry."""
    lines = []
    t = 0
    for kind, data in events:
        t += 137
        stamp = b"PC > DEVICE" if kind == "sent" else (
            "%02d:%02d:%02d.%03d" % (12, t // 60000 % 60, t // 1000 % 60, t % 1000)).encode()
        for part in data.split(b"\r\n"):
            if part:
                lines.append(stamp + b"\t" + part + b"\r\n")
    return b"".join(lines)


def zip_seeds():
    """Small archives of every kind the extraction must survive, made here so they stay small."""
    import io
    import stat
    import struct
    import warnings
    import zipfile

    def archive(entries, tweak=None):
        buffer = io.BytesIO()
        with warnings.catch_warnings():
            warnings.simplefilter("ignore")  # duplicate names are the point of one seed
            with zipfile.ZipFile(buffer, "w", zipfile.ZIP_DEFLATED) as z:
                for name, data, mode in entries:
                    info = zipfile.ZipInfo(name)
                    info.compress_type = zipfile.ZIP_DEFLATED
                    if mode:
                        info.create_system = 3
                        info.external_attr = mode << 16
                    z.writestr(info, data)
        data = bytearray(buffer.getvalue())
        return bytes(tweak(data) if tweak else data)

    def lie_about_sizes(data):
        # Every local header and central directory entry declares 4 GiB - 1 uncompressed.
        for sig, at in ((b"PK\x03\x04", 22), (b"PK\x01\x02", 24)):
            pos = data.find(sig)
            while pos >= 0:
                data[pos + at:pos + at + 4] = struct.pack("<I", 0xFFFFFFFF)
                pos = data.find(sig, pos + 4)
        return data

    plain = ("install_drivers.sh", b"#!/bin/sh\necho ok\n", 0)
    seed("zip_extract", archive([plain, ("rules/70-velmora.rules", b"SUBSYSTEM==\"tty\"\n", 0)]))
    seed("zip_extract", archive([plain, ("../escape.sh", b"payload", 0)]))
    seed("zip_extract", archive([plain, ("a/../../escape.sh", b"payload", 0)]))
    seed("zip_extract", archive([plain, ("..\\escape.sh", b"payload", 0)]))
    seed("zip_extract", archive([plain, ("/tmp/escape.sh", b"payload", 0)]))
    seed("zip_extract", archive([plain, ("C:/escape.sh", b"payload", 0)]))
    seed("zip_extract", archive([("link", b"/etc/passwd", stat.S_IFLNK | 0o777), ("link/x", b"through", 0)]))
    seed("zip_extract", archive([("up", b"..", stat.S_IFLNK | 0o777), ("dir/", b"", stat.S_IFDIR | 0o755)]))
    seed("zip_extract", archive([plain], lie_about_sizes))
    seed("zip_extract", archive([("zeros.bin", bytes(4 * 1024 * 1024), 0)]))
    seed("zip_extract", archive([("same.txt", b"first", 0), ("same.txt", b"second", 0),
                                 ("same.txt/", b"", 0)]))
    seed("zip_extract", b"PK\x05\x06" + bytes(18))


def main():
    global WORK
    bindir = sys.argv[1]
    WORK = os.path.join(os.path.dirname(os.path.abspath(bindir)), "fuzz-corpus")
    gen1_requests = [b">I 0\r\n", b">I 7\r\n", b">I 36\r\n", b">D 15;0\r\n", b">D 18;256\r\n", b">D 18;257\r\n",
                     b">D 18;8192\r\n",
                     b">T 1\r\n", b">D 4;1\r\n"]
    sessions = {
        "gen1_305": record(bindir, ["--gen", "1", "--type", "305", "--id", "4242", "--rate", "200"],
                           gen1_requests, 4),
        "gen1_306": record(bindir, ["--gen", "1", "--type", "306", "--rate", "300"], gen1_requests, 3),
        "gen1_303": record(bindir, ["--gen", "1", "--type", "303", "--rate", "250"], gen1_requests[:3], 2),
        "gen1_upd": record(bindir, ["--gen", "1", "--type", "305", "--quiet", "--fw-out", "/tmp/velmora-seed-fw.bin"],
                             [b">D 3;0\r\n"], 3),
        "gen2": record(bindir, ["--gen", "2", "--rate", "200"], [], 2),
        "gen2_fixed": record(bindir, ["--gen", "2", "--fixed", "--rate", "200"], [], 2),
        "gen3": record(bindir, ["--gen", "3", "--search", "2"],
                       [gen3_request(0xB0), gen3_request(0xB1), gen3_request(0xB4, b"\x00"),
                        gen3_request(0xB4, b"\x01"), gen3_request(0xB8), gen3_request(0xB7, b"\x00\x01")], 4),
    }
    for name, events in sessions.items():
        stream = received(events)
        if not stream:
            sys.exit("no bytes recorded from the %s session" % name)
        # Receive path: start in detection (0) or in the session's generation, two splittings.
        generation = 6 if name.startswith("gen2") else 7 if name == "gen3" else 5
        for header in (bytes([0, 17]), bytes([generation, 200])):
            seed("receive", header + stream[:16384])
        seed("log_file", log_file(events))
        if name.startswith("gen1"):
            records = [line[1:] for line in stream.split(b"\r\n") if line.startswith(b">")]
            seed("status_gen1", bytes([8 if name == "gen1_305" else 9, 0]) + b"\n".join(records[:200]))
            for line in records:
                if line.startswith(b"FD="):
                    seed("block_answer", b">" + line + b"\r\n")
                if line.startswith(b"UPD="):
                    seed("upd", line[4:])
                if line.startswith(b"SF="):
                    value = line.split(b"=", 1)[1].strip(b'"')
                    seed("config_file", value + b"\r\n")
                    image = base64.b64decode(value + b"==", validate=False)
                    seed("settings_image", bytes([1 if name == "gen1_305" else 3]) + image)
        elif name.startswith("gen2"):
            seed("gen2", b"\x05" + stream[:8192])
        else:
            seed("gen3", b"\x05" + stream[:8192])

    # Shipped files the program reads.
    with open(os.path.join(ROOT, "resources", "monitor_layout.xml"), "rb") as f:
        seed("monitor_layout", f.read())
    for t in ("305", "306"):
        with open(os.path.join(ROOT, "resources", "settings_%s.json" % t), "rb") as f:
            schema = f.read()
        seed("settings_schema", schema)
        seed("web_answers", b"\x05" + schema)

    # Inputs the unit tests use, in the forms the targets take.
    def header(name, ext, length):
        h = bytearray(256)
        h[1:5] = b"\xAA\x81\x5C\x9A"
        h[9:13] = length.to_bytes(4, "little")
        h[13] = 2 + len(name) + len(ext)
        h[14] = len(name)
        h[15:15 + len(name)] = name
        h[15 + len(name)] = len(ext)
        h[16 + len(name):16 + len(name) + len(ext)] = ext
        return bytes(h)
    pattern = bytes((i * 7 + 3) & 0xFF for i in range(2048))
    seed("stored_files", pattern[:256] + header(b"TRIP", b"CSV", 100) + pattern[:600])
    ring = bytearray(pattern)
    ring[1748:2004] = header(b"LOG", b"BIN", 600)
    seed("stored_files", bytes(ring))
    seed("stored_files", pattern[:256] + header(b"OUTER", b"BIN", 1000) + pattern[:256] +
         header(b"INNER", b"TXT", 5) + pattern[:700])

    sticker = (b"1;1;;200;40;18;1;1;;200;75;18;1;1;;200;110;18;1;1;;200;145;18;1;1;;200;180;18;1;1;;200;215;18;"
               b"1;1;;200;250;18;1;1;;200;285;18;1;1;1;1;1;1;1;1;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;1;200;10;10;0;"
               b"100;0;0;1;0")
    seed("sticker_templates", b"Default=" + sticker + b"\r\nSmall=" + sticker.replace(b"200", b"60") + b"\r\n")
    seed("sticker_templates", "Наклейка=".encode("cp1251") + sticker + b"\r\nbad/name=1;2\r\n")

    seed("car_list", json.dumps({
        "types": {"305": 3, "306": "2", "900": 1000000, "901": -4, "902": True},
        "cars": [{"brand": "Lada", "model": "Vesta", "year": "2019", "prog": "17", "RPM": 1, "SPEED": "2",
                  "MILEAGE": 3, "can1_info": "pins 6/14", "can3_info": "under the dash", "info": "check fuse"},
                 {"brand": "Lada", "model": "Niva", "year": "2020", "prog": 21, "RPM": [1]}, "not a car",
                 {"brand": "Kamaz", "model": "5490", "year": "2018", "prog": 17, "TEMP": 2}]},
        ensure_ascii=False).encode())

    seed("web_answers", b"\x00<?xml version=\"1.0\"?>\n<info><version url=\"http://site/velmora\" "
         b"date=\"2026-10-01 14:05:09\" sha256=\"00ff\"/></info>")
    description = ("<info><ru name=\"Трекер\" URL=\"http://s/ru.html\">Описание</ru>"
                   "<en name=\"Tracker\" URL=\"https://s/en.html\">Description</en></info>").encode()
    seed("web_answers", b"\x01" + description)
    seed("web_answers", b"\x02" + description)
    seed("web_answers", b'\x03{"data":[{"deviceTypeId":305,"createdAt":"2026-09-20T10:00:00Z"},'
         b'{"deviceTypeId":"307","createdAt":"2026-09-21T11:30:15.5+03:00"}]}')
    seed("web_answers", b"\x042026-09-20T10:00:00.123456+03:00")
    seed("web_answers", b'\x05{"a":"\\u0416\\u0022","b":[1,{"c":null}]}')

    adverts = ["0F160F01FF0324FF0C000000000000", "0C160F040500FFFF1400000000", "07160F03FB0000C0",
               "03160FBC050941626320", "0C160F6507000100"]
    lines = [b"B00:11:22:33:44:%02X;-%d;%s" % (i, 60 + i, base64.b64encode(bytes.fromhex(a)))
             for i, a in enumerate(adverts)]
    lines += [b"W00:1A:2B:3C:4D:5E;-71;Office", b"W00:1a:2b:3c:4d:5e;-60;Office 2",
              b"L250;01;-85;12345;678", b"L250;01;-80;12345;678"]
    lines += [bytes.fromhex(a) for a in adverts]
    seed("scan_records", b"\n".join(lines))
    zip_seeds()


if __name__ == "__main__":
    main()
