// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT
// Makes the rest of the page to host, beside its index.html in FOLDER: the
// web app manifest, the icons of 192 and 512 px, and the service worker
// from WORKER, which caches all of these under a name made of the version
// and their contents (a new build is a new cache, and the browser sees a
// new worker).
//
//   node make_site.mjs --version VERSION WORKER FOLDER
import { createHash } from 'node:crypto';
import { readFileSync, writeFileSync, renameSync } from 'node:fs';
import { join } from 'node:path';
import { iconPng } from './icon.mjs';

const [flag, version, worker, folder] = process.argv.slice(2);
if (flag !== '--version' || !version || !worker || !folder || process.argv.length !== 6) {
    console.error('usage: node make_site.mjs --version VERSION WORKER FOLDER');
    process.exit(2);
}

// Each written whole or not at all.
function write(name, data) {
    const target = join(folder, name);
    writeFileSync(target + '.part', data);
    renameSync(target + '.part', target);
}

const kIcons = [192, 512];
for (const size of kIcons) write(`icon-${size}.png`, iconPng(size));

// The icons keep their picture within the middle circle a phone crops
// them to, so each serves both purposes.
const manifest = {
    name: 'Patrulha Estelar',
    short_name: 'Patrulha',
    description: 'Jogo de tiro espacial em tempo real, no console de 80 \u00D7 42.',
    lang: 'pt',
    dir: 'ltr',
    start_url: './',
    scope: './',
    display: 'standalone',
    // Where the browser can, the whole screen: the game has no use for the
    // phone's status bar.
    display_override: ['fullscreen'],
    background_color: '#000000',
    theme_color: '#000000',
    categories: ['games'],
    icons: kIcons.flatMap((size) => ['any', 'maskable'].map((purpose) => ({
        src: `icon-${size}.png`, sizes: `${size}x${size}`, type: 'image/png', purpose,
    }))),
};
write('manifest.webmanifest', JSON.stringify(manifest, null, 2) + '\n');

// What the page needs, as the worker fetches it: the folder itself is the
// address players open and the manifest starts at.
const files = ['index.html', 'manifest.webmanifest', ...kIcons.map((size) => `icon-${size}.png`)];
const hash = createHash('sha256');
for (const file of files) hash.update(readFileSync(join(folder, file)));
const cacheName = `${version}-${hash.digest('hex').slice(0, 12)}`;

let text = readFileSync(worker, 'utf8');
for (const [marker, value] of [["'@CACHE@'", JSON.stringify(cacheName)],
    ["['@FILES@']", JSON.stringify(['./', ...files])]]) {
    if (!text.includes(marker)) {
        console.error(`make_site: ${worker} has no ${marker}`);
        process.exit(1);
    }
    text = text.replace(marker, () => value);
}
write('sw.js', text);
