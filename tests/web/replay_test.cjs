// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

'use strict';
// Recorded games in the one-file page, in headless Chromium, opened from
// disk: a game the terminal build recorded, chosen with the file picker,
// replays to the score, lives, bombs and grid its end line holds; a game
// played on the page is saved by its end screen's "Guardar jogo", and the
// saved file, dropped onto the page, replays to the end it recorded.
//
//   node replay_test.cjs --page build-web/patrulha.html --replay REPLAY
//                        [--browser /usr/bin/chromium]

const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const shared = require('./browser.cjs');
const { readScreen, waitFor, titleShown, shows } = shared;

const option = (name, fallback) => shared.option('replay_test', name, fallback);
const pagePath = path.resolve(option('--page'));
const replayPath = path.resolve(option('--replay'));
const browserPath = option('--browser', '/usr/bin/chromium');
const kWholeRunMs = 240000;

// What the replay's end line says the game ended with, as the game says it.
function recordedEnd(text) {
    const end = text.split('\n').find((line) => line.startsWith('end '));
    if (!end) throw new Error(`no end line in:\n${text}`);
    const [, , score, lives, bombs, grid] = end.split(' ');
    return `score ${score}, lives ${lives}, bombs ${bombs}, grid ${grid}`;
}

// Waits for the end screen of a replay that matched, ending as recorded.
async function replayMatched(page, what, text) {
    const expected = recordedEnd(text);
    const s = await waitFor(page, what, (screen) => screen.end.startsWith('Fim do jogo gravado') ||
        screen.end.includes('gravado divergiu') || screen.end.includes('ilegível'));
    if (!s.end.includes('replay matched') || !s.end.includes(expected)) {
        throw new Error(`${what}: the end screen says "${s.end}", not a match ending with ${expected}`);
    }
}

function step(name) {
    console.log(`ok - ${name}`);
}

async function main() {
    const downloads = fs.mkdtempSync(path.join(os.tmpdir(), 'patrulha-replay-test-'));
    await shared.withChromium('replay_test', browserPath, kWholeRunMs, async (browser) => {
        const page = await browser.newPage();
        const errors = [];
        page.on('pageerror', (error) => errors.push(String(error)));
        await page.goto('file://' + pagePath, { waitUntil: 'load' });
        await waitFor(page, 'title screen', titleShown);

        const picker = await page.$('#foot .replay-file');
        await Promise.all([page.waitForNavigation({ waitUntil: 'load' }), picker.uploadFile(replayPath)]);
        await replayMatched(page, 'the terminal\'s game replayed', fs.readFileSync(replayPath, 'utf8'));
        step('a game recorded in the terminal, chosen with the file picker, ends as recorded');

        await Promise.all([page.waitForNavigation({ waitUntil: 'load' }), page.click('#again')]);
        await waitFor(page, 'title screen after playing again', titleShown);
        const press = (key) => page.keyboard.press(key);
        await press('1');
        await waitFor(page, 'a game', (s) => shows(s, 50, 8, 'VIDAS:'));
        for (const key of ['z', 'ArrowLeft', 'z', 'a', 'z', 'ArrowRight', 'z']) {
            await press(key);
            await new Promise((resolve) => setTimeout(resolve, 150));
        }
        await press('d');
        await waitFor(page, 'the end screen', (s) => s.end.startsWith('Fim de jogo') && s.end.includes('Guardar jogo'));

        const cdp = await browser.target().createCDPSession();
        await cdp.send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: downloads });
        await page.click('#save');
        let saved = null;
        await waitFor(page, 'the saved game in the downloads', () => {
            const names = fs.readdirSync(downloads);
            saved = names.find((name) => /^patrulha-\d{8}-\d{6}\.rpl$/.test(name));
            return saved && !names.some((name) => name.endsWith('.crdownload'));
        });
        const savedPath = path.join(downloads, saved);
        const text = fs.readFileSync(savedPath, 'utf8');
        if (!text.startsWith('patrulha-replay 1\n') || !/\nk \d+ 122[ \n]/.test(text)) {
            throw new Error(`the saved game is not the game played:\n${text}`);
        }
        step('"Guardar jogo" saves the game just played');

        const page2 = await page.createCDPSession();
        const data = { items: [], files: [savedPath], dragOperationsMask: 1 };
        const at = { x: 300, y: 300 };
        await page2.send('Input.dispatchDragEvent', { type: 'dragEnter', ...at, data });
        await page2.send('Input.dispatchDragEvent', { type: 'dragOver', ...at, data });
        await Promise.all([page.waitForNavigation({ waitUntil: 'load' }),
            page2.send('Input.dispatchDragEvent', { type: 'drop', ...at, data })]);
        await replayMatched(page, 'the saved game dropped onto the page', text);
        step('the saved game, dropped onto the page, ends as recorded');
        if (errors.length) throw new Error(`the page reported errors: ${errors.join('; ')}`);
    }, () => fs.rmSync(downloads, { recursive: true, force: true }));
    console.log('3 passed, 0 failed');
}

main().catch((error) => {
    console.error(`replay_test: ${error && error.stack ? error.stack : error}`);
    console.log('0 passed, 1 failed');
    process.exit(1);
});
