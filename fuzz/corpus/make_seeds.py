#!/usr/bin/env python3
"""Writes the fuzz targets' seed corpora, in the shapes the test suites use, into this folder.
Run again only to change the seeds; the results are committed. JPEG and AVI seeds come from
ImageMagick and ffmpeg (both installed by scripts/setup)."""
import os
import struct
import subprocess
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))


def put(target, name, data):
    os.makedirs(os.path.join(HERE, target), exist_ok=True)
    with open(os.path.join(HERE, target, name), "wb") as f:
        f.write(data)


# --- stream_parts: 2-byte plan length, plan, camera bytes --------------------------------
def stream(body, plan=b""):
    return struct.pack("<H", len(plan)) + plan + body


HEAD = (b"HTTP/1.1 200 OK\r\nServer: camera\r\n"
        b"Content-Type: multipart/x-mixed-replace;boundary=--myboundary\r\n\r\n")


def part(payload, extra=b""):
    return (b"--myboundary\r\nContent-Type: image/jpeg\r\n" + extra +
            b"Content-Length: %d\r\n\r\n" % len(payload) + payload + b"\r\n")


frames = part(b"\xff\xd8frame-one\xff\xd9") + part(b"\xff\xd8frame-two!\xff\xd9")
put("stream_parts", "two_frames", stream(HEAD + frames))
put("stream_parts", "two_frames_in_arrivals", stream(HEAD + frames, bytes([7, 40, 0, 3, 90, 1, 1, 60])))
put("stream_parts", "length_in_response_header",
    stream(b"HTTP/1.0 200 OK\r\nContent-Type: multipart/x-mixed-replace; boundary=b\r\n"
           b"Content-Length: 4\r\n\r\nJPEG" + part(b"next")))
put("stream_parts", "not_authorised", stream(b"HTTP/1.1 401 Unauthorized\r\n\r\n"))
put("stream_parts", "refused", stream(b"HTTP/1.1 503 Busy\r\nboundary=x\r\n\r\n"))
put("stream_parts", "no_boundary", stream(b"HTTP/1.1 200 OK\r\nContent-Type: image/jpeg\r\n\r\n"))
put("stream_parts", "negative_length",
    stream(HEAD + b"--myboundary\r\nContent-Length: -20\r\n\r\n" + b"x" * 20))
put("stream_parts", "length_past_frame_buffer",
    stream(HEAD + b"--myboundary\r\nContent-Length: 524289\r\n\r\n" + b"x" * 64))
put("stream_parts", "length_overflowing_int",
    stream(HEAD + b"--myboundary\r\nContent-Length: 99999999999999999999\r\n\r\n"))
put("stream_parts", "long_boundary",
    stream(b"HTTP/1.1 200 OK\r\nContent-Type: multipart/x-mixed-replace;boundary=" + b"B" * 80 +
           b"\r\n\r\n" + part(b"abc")))
put("stream_parts", "short_body", stream(HEAD + b"--myboundary\r\nContent-Length: 100\r\n\r\nshort"))
put("stream_parts", "reconnect_after_close",
    stream(HEAD + part(b"one") + b"--myboundary\r\nno length\r\n\r\n" + HEAD + part(b"two")))

# --- frame_decoder: JPEG frames ------------------------------------------------------------
def magick(args, suffix=".jpg"):
    with tempfile.TemporaryDirectory() as d:
        out = os.path.join(d, "out" + suffix)
        subprocess.run(["convert"] + args + [out], check=True)
        return open(out, "rb").read()


grad = ["-size", "32x24", "gradient:red-blue"]
put("frame_decoder", "colour_32x24", magick(grad + ["-quality", "60"]))
put("frame_decoder", "odd_width_161x8", magick(["-size", "161x8", "plasma:", "-quality", "50"]))
put("frame_decoder", "grey_16x16", magick(["-size", "16x16", "gradient:", "-colorspace", "Gray"]))
put("frame_decoder", "progressive", magick(grad + ["-interlace", "JPEG"]))
put("frame_decoder", "density_dots_per_cm",
    magick(grad + ["-units", "PixelsPerCentimeter", "-density", "28"]))
put("frame_decoder", "restart_markers", magick(grad + ["-define", "jpeg:restart-interval=1"]))
put("frame_decoder", "subsampled_420", magick(grad + ["-sampling-factor", "2x2"]))
put("frame_decoder", "cmyk", magick(grad + ["-colorspace", "CMYK"]))
full = magick(["-size", "48x32", "plasma:", "-quality", "90"])
put("frame_decoder", "cut_in_entropy_data", full[: len(full) * 2 // 3])
put("frame_decoder", "largest_fitting_picture", magick(["-size", "836x836", "xc:gray"]))
put("frame_decoder", "picture_past_image_limit", magick(["-size", "840x840", "xc:gray"]))

# --- search_reply: datagram records --------------------------------------------------------
def datagram(data, sender=0, kind=0, step=1):
    return bytes([sender | kind << 2, step]) + struct.pack("<H", len(data)) + data


def reply(payload_len=76, scheme=b"DIGEST"):
    body = struct.pack(">IIIH", 0xC0A80164, 0xFFFFFF00, 0xC0A80101, 80)
    body += bytes([0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E]) + b"V2.1.0".ljust(40, b"\0")
    body += scheme.ljust(16, b"\0")
    return struct.pack("<II", 3, payload_len) + body[:payload_len]


full_reply = reply()
put("search_reply", "whole_reply", datagram(full_reply))
put("search_reply", "split_40_44", datagram(full_reply[:40]) + datagram(full_reply[40:]))
put("search_reply", "no_auth_scheme", datagram(reply(60)))
put("search_reply", "other_type_then_reply", datagram(struct.pack("<II", 2, 0)) + datagram(full_reply))
put("search_reply", "continuation_from_other_sender",
    datagram(full_reply[:40]) + datagram(full_reply[40:], sender=1) + datagram(full_reply))
put("search_reply", "continuation_too_late",
    datagram(full_reply[:40]) + datagram(full_reply[40:], step=200) + datagram(full_reply))
put("search_reply", "empty_and_oversized",
    datagram(b"", kind=1) + datagram(b"", kind=2) + datagram(full_reply[:30]) +
    datagram(b"", kind=1) + datagram(full_reply[30:]))
put("search_reply", "payload_past_buffer", datagram(struct.pack("<II", 3, 5000) + b"\0" * 76))

# --- camera_info: 972-byte blocks ----------------------------------------------------------
def info(domain=b"camera.lan", index=3, port=80, user=b"admin", password=b"secret",
         nick="大门".encode("gbk"), mac=b"001a2b3c4d5e"):
    block = domain.ljust(64, b"\0")[:64] + struct.pack("<iHH", index, port, 2)
    block += user.ljust(260, b"\0")[:260] + password.ljust(64, b"\0")[:64]
    block += nick.ljust(520, b"\0")[:520] + mac.ljust(32, b"\0")[:32]
    block += struct.pack("<HHHHHBBfHHi", 640, 480, 11, 3, 4, 1, 0, 1.5, 320, 240, 0)
    assert len(block) == 972
    return block + b"\x01"


put("camera_info", "named_camera", info())
put("camera_info", "dotted_address", info(domain=b"10.213.0.7", index=15, port=8080))
put("camera_info", "fields_without_terminator",
    info(domain=b"d" * 64, user=b"u" * 260, password=b"p" * 64, nick=b"n" * 520, mac=b"m" * 32))
put("camera_info", "index_out_of_range", info(index=16)[:-1] + b"\x00")

# --- bmp_file: .bmp images ---------------------------------------------------------------
def bmp_palette(width, height, bits, entries):
    row = (width * bits + 31) // 32 * 4
    pal = bytes((i * 7) % 256 for i in range(entries * 4))
    head = b"BM" + struct.pack("<IHHI", 54 + len(pal) + row * height, 0, 0, 54 + len(pal))
    head += struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, 0, 0, 0, entries, 0)
    return head + pal + bytes(row * height)


put("bmp_file", "rgb24_5x3", bmp_palette(5, 3, 24, 0))
put("bmp_file", "rgb32_4x4", bmp_palette(4, 4, 32, 0))
put("bmp_file", "palette8_7x5", bmp_palette(7, 5, 8, 256))
put("bmp_file", "palette4_few_colours", bmp_palette(9, 2, 4, 5))
put("bmp_file", "mono_17x3", bmp_palette(17, 3, 1, 2))
put("bmp_file", "starts_with_BA", b"BA" + bmp_palette(5, 3, 24, 0)[2:])
with open(os.path.join(HERE, "..", "..", "framework", "tests", "sample", "toolbox.bmp"), "rb") as f:
    put("bmp_file", "toolbox", f.read())

# --- avi_rate_field: AVI file fronts -------------------------------------------------------
def chunk(fourcc, data):
    return fourcc + struct.pack("<I", len(data)) + data + (b"\0" if len(data) & 1 else b"")


def lst(kind, data):
    return chunk(b"LIST", kind + data)


def avi(streams, declared=None):
    avih = struct.pack("<14I", 50000, 0, 0, 0x10, 0, 0, len(streams) if declared is None else declared,
                       0, 320, 240, 0, 0, 0, 0)
    hdrl = lst(b"hdrl", chunk(b"avih", avih) + b"".join(streams))
    return chunk(b"RIFF", b"AVI " + hdrl + lst(b"movi", b""))


def strl(kind, handler=b"MJPG"):
    strh = kind + handler + struct.pack("<IHHIIIIIIIhhhh", 0, 0, 0, 0, 1, 20, 0, 0, 0, 0, 0, 0, 0, 0)
    return lst(b"strl", chunk(b"strh", strh) + chunk(b"strf", b"\0" * 40))


put("avi_rate_field", "recorder_layout", avi([strl(b"vids")]))
put("avi_rate_field", "audio_then_video", avi([strl(b"auds", b"\0\0\0\0"), strl(b"vids")]))
put("avi_rate_field", "no_video_stream", avi([strl(b"auds", b"\0\0\0\0")]))
put("avi_rate_field", "fewer_streams_than_declared", avi([strl(b"auds", b"\0\0\0\0")], declared=3))
with tempfile.TemporaryDirectory() as d:
    out = os.path.join(d, "tiny.avi")
    subprocess.run(["ffmpeg", "-loglevel", "error", "-f", "lavfi", "-i", "testsrc=size=32x24:rate=5",
                    "-frames:v", "2", "-c:v", "mjpeg", out], check=True)
    data = open(out, "rb").read()
    prefix = 20 + struct.unpack("<I", data[16:20])[0]
    put("avi_rate_field", "ffmpeg_mjpeg_front", data[: prefix + 16])

# --- settings_values: Tessaly.ini texts ----------------------------------------------------
ini = ("[GLOBAL]\r\nAUTO_INVITE=0\r\nSPLITTER=3\r\nSHOW_SUBTITLE=1\r\nRECONNECT=1\r\nINTERVAL=7\r\n"
       "[CLIINFO]\r\nCLI_COUNT=3\r\n"
       "WND_1=0\r\nDomainName_1=camera.lan\r\nUSER_1=admin\r\nPASSWD_1=c2VjcmV0\r\nNICK_1=Hall :\r\n"
       "MAC_1=001a2b3c4d5e\r\nPORT_1=80\r\nWIDTH_1=640\r\nHEIGHT_1=480\r\nQUALITY_1=0\r\n"
       "BRIGHT_1=3\r\nCONTRAST_1=4\r\nSPANSCAN_1=1\r\nTILTSCAN_1=0\r\nZOOM_1=150\r\n"
       "WND_2=5\r\nDomainName_2=10.213.0.9\r\nUSER_2=us/er\r\nPASSWD_2=not base64!\r\n"
       "NICK_2=\r\nPORT_2=8080\r\nWIDTH_2=0\r\nZOOM_2=29\r\n"
       "WND_3=16\r\nDomainName_3=unresolvable\r\nPORT_3=81\r\n").encode()
put("settings_values", "three_cameras", ini)
put("settings_values", "chinese_names",
    b"[CLIINFO]\nCLI_COUNT=1\nWND_1=2\nDomainName_1=camera.lan\nPORT_1=80\nUSER_1=" +
    "管理|员".encode("gbk") + b"\nNICK_1=" + "表\\格".encode("gbk") + b"\n")
put("settings_values", "duplicate_camera",
    b"[CLIINFO]\nCLI_COUNT=2\nWND_1=0\nDomainName_1=10.0.0.1\nPORT_1=80\n"
    b"WND_2=1\nDomainName_2=10.0.0.1\nPORT_2=80\n")
put("settings_values", "base64_value", b"YWJjZA==")
put("settings_values", "number_value", b"  -2147483649x")
put("settings_values", "camera_text_value", b" camera.lan:08080 ")

# --- records_ini: a locale byte ('0' to '7'), then Records.ini ------------------------------
def records(locale, *sections, begin=1, end=None):
    text = "[Configuration]\r\nBeginRecord=%s\r\nEndRecord=%s\r\n" % (begin, end if end else begin)
    for n, values in sections:
        text += "[Record%d]\r\n" % n + "".join("%s=%s\r\n" % kv for kv in values)
    return locale + text.encode("gbk")


def record(n, prev, nxt, date="12/9/25", time="1:05:09 PM", media="C:\\v\\clip%d.avi"):
    return (n, [("Previous", prev), ("MediaFile", media % n if "%d" in media else media),
                ("Date", date), ("Time", time), ("Area", "Hall"), ("Camera", "10.0.0.7"),
                ("ThumbFile", "C:\\Records\\Thumb\\clip%d.BMP" % n), ("Next", nxt)])


put("records_ini", "three_records",
    records(b"0", record(1, -1, 2), record(2, 1, 3), record(3, 2, -1), end=3))
put("records_ini", "chain_loops_back",
    records(b"0", record(1, -1, 2), record(2, 1, 3), record(3, 2, 2), end=3))
put("records_ini", "into_a_missing_section", records(b"1", record(1, -1, 9, date="12/9/2025")))
put("records_ini", "hex_and_padded_numbers",
    records(b"0", record(2, -1, "0x3 "), record(3, "0X2", "99999999999"), begin=" 0x2", end=3))
put("records_ini", "german_24_hours",
    records(b"2", record(1, -1, -1, date="9.12.2025", time="13:05:09")))
put("records_ini", "designator_first",
    records(b"3", record(1, -1, -1, date="2025-12-09", time="PM 01:05:09")))
put("records_ini", "chinese_paths_and_designator",
    records(b"4", record(1, -1, -1, date="2025/12/9", time="下午 1:05:09",
                         media="C:\\录像\\a" + b"\x81\x5c".decode("gbk") + "b.avi")))
put("records_ini", "day_and_month_names",
    records(b"5", record(1, -1, -1, date="Tuesday, December 9, 2025", time="12:00:00 AM")))
put("records_ini", "thumb_outside_the_folder",
    records(b"0", (1, [("MediaFile", "D:noext"), ("ThumbFile", "C:\\Records\\Thumb\\..\\x.BMP"),
                       ("Date", "2/30/2025"), ("Time", "25:00:00")])))
put("records_ini", "made_up_locale",
    b"7[Locale]\r\nsShortDate=dd'.'MMM yyyy g\r\nsDate=.\r\nsTime=h\r\ns1159=vorm.\r\n"
    b"s2359=nachm.\r\niTime=0\r\nACP=936\r\n" +
    records(b"", record(1, -1, -1, date="09.Dec 2025 ", time="vorm. 1h05h09")))
put("records_ini", "number_value", b"0  -2147483648\t")

# --- bitmap_file: .bmp images fw::Bitmap reads ----------------------------------------------
def bmp(width, height, bits, entries=0, info=40, compression=0, masks=b"", top_down=False):
    row = (width * bits + 31) // 32 * 4
    pal = bytes((i * 7) % 256 for i in range(entries * 4))
    extra = masks if info == 40 else b""
    header = struct.pack("<IiiHHIIiiII", info, width, -height if top_down else height, 1, bits,
                         compression, row * height, 2835, 2835, entries, 0)
    if info > 40:
        header += (masks or b"\0" * 12).ljust(info - 40, b"\0")
    offset = 14 + info + len(extra) + len(pal)
    head = b"BM" + struct.pack("<IHHI", offset + row * height, 0, 0, offset)
    return head + header + extra + pal + bytes((i * 13) % 256 for i in range(row * height))


put("bitmap_file", "rgb24_5x3", bmp(5, 3, 24))
put("bitmap_file", "mono_17x3", bmp(17, 3, 1, 2))
put("bitmap_file", "palette4_9x2", bmp(9, 2, 4, 5))
put("bitmap_file", "palette8_top_down", bmp(7, 5, 8, 256, top_down=True))
put("bitmap_file", "rgb555_3x2", bmp(3, 2, 16))
put("bitmap_file", "rgb565_bitfields", bmp(3, 2, 16, compression=3,
                                            masks=struct.pack("<III", 0xF800, 0x07E0, 0x001F)))
put("bitmap_file", "rgb32_v4_header_rgba_masks",
    bmp(4, 2, 32, info=108, compression=3, masks=struct.pack("<III", 0xFF, 0xFF00, 0xFF0000)))
put("bitmap_file", "rgb32_v5_header", bmp(2, 2, 32, info=124))
put("bitmap_file", "rgb32_ten_bit_masks",
    bmp(2, 2, 32, compression=3, masks=struct.pack("<III", 0x3FF00000, 0xFFC00, 0x3FF)))
put("bitmap_file", "rle8_refused", bmp(4, 2, 8, 4, compression=1))

# --- thumbnail_jpeg: .JPG pictures the record browser makes thumbnails of -------------------
quadrants = ["-size", "80x60", "xc:red", "-size", "80x60", "xc:lime", "+append", "(", "-size",
             "80x60", "xc:blue", "-size", "80x60", "xc:yellow", "+append", ")", "-append"]
put("thumbnail_jpeg", "quadrants_160x120", magick(quadrants + ["-quality", "70"]))
put("thumbnail_jpeg", "grey_130x100", magick(["-size", "130x100", "gradient:", "-colorspace", "Gray"]))
put("thumbnail_jpeg", "reduced_by_eight_1000x760",
    magick(["-size", "1000x760", "xc:navy", "-quality", "30"]))
put("thumbnail_jpeg", "reduced_by_two_250x190_progressive",
    magick(["-size", "250x190", "plasma:", "-interlace", "JPEG", "-quality", "40"]))
put("thumbnail_jpeg", "small_41x7_restart_markers",
    magick(["-size", "41x7", "gradient:red-blue", "-define", "jpeg:restart-interval=1"]))
put("thumbnail_jpeg", "cmyk_refused", magick(grad + ["-colorspace", "CMYK"]))
cut = magick(quadrants + ["-quality", "90"])
put("thumbnail_jpeg", "cut_in_entropy_data", cut[: len(cut) // 2])
