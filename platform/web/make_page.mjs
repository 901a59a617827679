// Makes the one-file page: the template with the page's script and the
// game (its wasm already inside) written in.
//
//   node make_page.mjs TEMPLATE PAGE_JS GAME_JS OUTPUT
import { readFileSync, writeFileSync, renameSync } from 'node:fs';

const [template, pageJs, gameJs, output] = process.argv.slice(2);
if (!output) {
    console.error('usage: node make_page.mjs TEMPLATE PAGE_JS GAME_JS OUTPUT');
    process.exit(2);
}

// A script's text must not close its own element early.
const asScript = (text) => text.replace(/<\/(script)/gi, '<\\/$1');

const parts = {
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
