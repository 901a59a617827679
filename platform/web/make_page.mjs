// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// Makes the one-file page: the template with the page's script, the game
// (its wasm already inside) and the game's version written in. With
// --head, the page to host (web/index.html): that file's links and script
// go into the page's head as well.
//
//   node make_page.mjs --version VERSION [--head HEAD] TEMPLATE PAGE_JS GAME_JS OUTPUT
import { readFileSync, writeFileSync, renameSync } from 'node:fs';

const usage = 'usage: node make_page.mjs --version VERSION [--head HEAD] TEMPLATE PAGE_JS GAME_JS OUTPUT';
const args = process.argv.slice(2);
const options = {};
while (args.length && args[0].startsWith('--')) {
    const [name, value] = args.splice(0, 2);
    if (!['--version', '--head'].includes(name) || value === undefined) {
        console.error(usage);
        process.exit(2);
    }
    options[name] = value;
}
const [template, pageJs, gameJs, output] = args;
if (!output || args.length !== 4 || !options['--version']) {
    console.error(usage);
    process.exit(2);
}

// A script's text must not close its own element early.
const asScript = (text) => text.replace(/<\/(script)/gi, '<\\/$1');

const parts = {
    // Without the comments the head's file opens with.
    '<!--@HOSTED_HEAD@-->': options['--head'] ?
        readFileSync(options['--head'], 'utf8').replace(/^(\s*<!--[^]*?-->)*\s*/, '').trimEnd() : '',
    '@VERSION@': options['--version'],
    // The scripts last, so that nothing in them is taken for a marker.
    '/*@PAGE_JS@*/': asScript(readFileSync(pageJs, 'utf8')),
    '/*@GAME_JS@*/': asScript(readFileSync(gameJs, 'utf8')),
};
let page = readFileSync(template, 'utf8');
for (const [marker, text] of Object.entries(parts)) {
    if (!page.includes(marker)) {
        console.error(`make_page: ${template} has no ${marker}`);
        process.exit(1);
    }
    // A function, so that "$" in the text is taken as it is.
    page = page.replace(marker, () => text);
}
// Written whole or not at all.
writeFileSync(output + '.part', page);
renameSync(output + '.part', output);
