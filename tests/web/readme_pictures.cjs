// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

'use strict';
// Every picture the README shows is in the repository: the README's image
// links (Markdown or HTML) name files that exist beside it.
//
//   node readme_pictures.cjs README.md
const fs = require('node:fs');
const path = require('node:path');

const readme = process.argv[2];
const text = fs.readFileSync(readme, 'utf8');
const names = [
    ...[...text.matchAll(/!\[[^\]]*\]\(([^)\s]+)[^)]*\)/g)].map((m) => m[1]),
    ...[...text.matchAll(/<img[^>]*\ssrc="([^"]+)"/g)].map((m) => m[1]),
].filter((name) => !/^[a-z]+:/i.test(name));

const missing = names.filter((name) => !fs.existsSync(path.join(path.dirname(readme), name)));
for (const name of names) console.log(`${missing.includes(name) ? 'missing' : 'ok'} ${name}`);
if (names.length === 0) {
    console.error('readme_pictures: the README shows no picture');
    process.exit(1);
}
if (missing.length) {
    console.error(`readme_pictures: the README shows pictures that are not there: ${missing.join(' ')}`);
    process.exit(1);
}
