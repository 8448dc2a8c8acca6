#!/usr/bin/env python3
# Writes the metafile seeds of the picture fuzz target into
# tests/fuzz/corpus/picture: small files, each holding one thing the player
# once got wrong or a test found untested (run from this folder).
import os
import struct

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..', 'fuzz', 'corpus', 'picture')


def ints(*values):
    return b''.join(struct.pack('<i', v) if v < 0x80000000 else struct.pack('<I', v) for v in values)


def words(*values):
    return b''.join(struct.pack('<H', v & 0xFFFF) for v in values)


def emf(records, size=(100, 100), description=''):
    """An EMF of 4 pixels a millimetre; records are (type, payload)."""
    w, h = size
    desc = description.encode('utf-16-le')
    desc += b'\0' * (-len(desc) % 4)
    header = ints(1, 88 + len(desc), 0, 0, w - 1, h - 1, 0, 0, w * 25, h * 25, 0x464D4520, 0x10000, 0, 0)
    header += words(8, 0) + ints(len(description), 88 if description else 0, 0, 1000, 1000, 250, 250) + desc
    body = b''
    for kind, payload in records:
        payload += b'\0' * (-len(payload) % 4)
        body += ints(kind, 8 + len(payload)) + payload
    out = bytearray(header + body + ints(14, 20, 0, 16, 20))
    out[48:56] = ints(len(out), len(records) + 2)
    return bytes(out)


def wmf(records, box=(100, 100), inch=96):
    """A placeable WMF; records are (function, parameter bytes)."""
    placeable = bytearray(ints(0x9AC6CDD7) + words(0, 0, 0, box[0], box[1], inch) + ints(0))
    checksum = 0
    for at in range(0, 20, 2):
        checksum ^= struct.unpack_from('<H', placeable, at)[0]
    placeable += words(checksum)
    body = b''
    for function, params in records:
        params += b'\0' * (len(params) % 2)
        body += ints(3 + len(params) // 2) + words(function) + params
    header = words(1, 9, 0x300) + ints(0) + words(8) + ints(0) + words(0)
    return bytes(placeable) + header + body + ints(3) + words(0)


def brush(handle, rgb):
    return [(39, ints(handle, 0, rgb, 0)), (37, ints(handle))]


NULL_PEN = [(37, ints(0x80000008))]
RED, GREEN, BLUE = 0x0000FF, 0x00FF00, 0xFF0000


def around(record):
    """A red square at the left, the record, a green one at the right."""
    return (NULL_PEN + brush(1, RED) + [(43, ints(0, 0, 40, 100))] + [record] + brush(2, GREEN) +
            [(43, ints(60, 0, 100, 100))])


def wmf_brush(rgb):
    return (0x02FC, words(0) + ints(rgb) + words(0))


seeds = {
    # Four points said, three given.
    'emf_polygon_past_record.emf': emf(around((3, ints(0, 0, 100, 100, 4, 45, 0, 55, 0, 55, 100)))),
    'emf_size_not_whole_words.emf': emf(NULL_PEN + brush(1, RED))[:-20] + ints(43, 26, 0, 0, 100, 100) + b'\0\0' +
    ints(14, 20, 0, 16, 20),
    'emf_description_header.emf': emf(NULL_PEN + brush(1, RED) + [(43, ints(0, 0, 50, 50))],
                                      description='Converted from box.fig using fig2dev'),
    'emf_cut_header.emf': emf([])[:60],
    'wmf_polypolygon.wmf': wmf([(0x02FA, words(5, 0, 0, 0, 0)), (0x012D, words(0)), wmf_brush(BLUE),
                                (0x012D, words(1)),
                                (0x0538, words(2, 4, 4, 0, 0, 100, 0, 100, 100, 0, 100, 30, 30, 70, 30, 70, 70, 30, 70))]),
    # A pattern brush whose bitmap stops after its header's size field.
    'wmf_damaged_pattern_brush.wmf': wmf([(0x0142, words(5, 0) + ints(40, 8, 8)), wmf_brush(RED), (0x012D, words(1)),
                                          (0x041B, words(100, 40, 0, 0))]),
}

for name, data in seeds.items():
    with open(os.path.join(OUT, name), 'wb') as f:
        f.write(data)
