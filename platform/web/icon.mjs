// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT
// The page's icon, drawn at build time so that no picture is kept in the
// sources: the player's ship (a club) in white among a few stars, on the
// console's black, in 16 x 16 big pixels, written out as a PNG.
import { deflateSync } from 'node:zlib';

// The console's colours the icon uses.
const kColours = {
    '.': [0x00, 0x00, 0x00],
    'W': [0xff, 0xff, 0xff],
    'G': [0x00, 0xff, 0x00],
    'Y': [0xff, 0xff, 0x00],
    'C': [0x00, 0xff, 0xff],
};

// Within the middle circle of four fifths of the width, which a phone that
// crops icons to its own shape always shows, but for the stars.
const kArt = [
    '................',
    '.Y.....GG...C...',
    '................',
    '......WWWW......',
    '.....WWWWWW.....',
    '.....WWWWWW.....',
    '...WW.WWWW.WW...',
    '..WWWW.WW.WWWW..',
    '..WWWWWWWWWWWW..',
    '..WWWWWWWWWWWW..',
    '...WW..WW..WW...',
    '.......WW.......',
    '......WWWW......',
    '.....WWWWWW.....',
    '..C..........Y..',
    '................',
];

const kCrcTable = Array.from({ length: 256 }, (_, n) => {
    let c = n;
    for (let k = 0; k < 8; ++k) c = c & 1 ? 0xedb88320 ^ (c >>> 1) : c >>> 1;
    return c >>> 0;
});

function crc32(bytes) {
    let c = 0xffffffff;
    for (const byte of bytes) c = kCrcTable[(c ^ byte) & 0xff] ^ (c >>> 8);
    return (c ^ 0xffffffff) >>> 0;
}

function chunk(type, data) {
    const body = Buffer.concat([Buffer.from(type, 'latin1'), data]);
    const length = Buffer.alloc(4), crc = Buffer.alloc(4);
    length.writeUInt32BE(data.length);
    crc.writeUInt32BE(crc32(body));
    return Buffer.concat([length, body, crc]);
}

// The icon as a PNG of `size` x `size` pixels, `size` a multiple of 16.
export function iconPng(size) {
    const cell = size / kArt.length;
    if (!Number.isInteger(cell)) throw new Error(`an icon of ${size} px is no multiple of ${kArt.length}`);
    // Each row: filter type 0, then RGB.
    const rowBytes = 1 + 3 * size;
    const pixels = Buffer.alloc(rowBytes * size);
    for (let y = 0; y < size; ++y) {
        const art = kArt[Math.floor(y / cell)];
        for (let x = 0; x < size; ++x) {
            const colour = kColours[art[Math.floor(x / cell)]];
            pixels.set(colour, y * rowBytes + 1 + 3 * x);
        }
    }
    const header = Buffer.alloc(13);
    header.writeUInt32BE(size, 0);
    header.writeUInt32BE(size, 4);
    header[8] = 8; // bits per channel
    header[9] = 2; // RGB
    return Buffer.concat([
        Buffer.from([0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a]),
        chunk('IHDR', header),
        chunk('IDAT', deflateSync(pixels, { level: 9 })),
        chunk('IEND', Buffer.alloc(0)),
    ]);
}
