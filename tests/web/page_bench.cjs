// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

'use strict';
// How much of a core the page's main thread takes while a game plays: once
// with no key pressed and once with a key every 100 ms (left and right by
// turns, so the ship stays in the field), from Chromium's own counters of
// the time its main thread spent in tasks and in scripts (the DevTools
// protocol's Performance.getMetrics, TaskDuration and ScriptDuration) over
// the wall time measured; beside them what the whole browser took (every
// process it started, from /proc), since a page may draw from another
// thread. Prints the figures and the page's size. A benchmark, not a test:
// it judges nothing.
//
//   NODE_PATH=build-web/npm/test/node_modules \
//     node tests/web/page_bench.cjs --page build-web/patrulha.html
//          [--seconds 10] [--browser /usr/bin/chromium] [--no-drawing]
//
// --no-drawing throws away what the game sends to be shown (for a page
// that still draws through a terminal emulator: what the game itself costs).

const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const zlib = require('node:zlib');
const shared = require('./browser.cjs');

function option(name, fallback) {
    return shared.option('page_bench', name, fallback);
}

const pagePath = path.resolve(option('--page'));
const browserPath = option('--browser', '/usr/bin/chromium');
const seconds = Number(option('--seconds', '10'));
const noDrawing = process.argv.includes('--no-drawing');

// Processor seconds that every process of the browser (those whose command
// line names its profile) has used so far.
function browserSeconds(profile) {
    const tick = 100;  // USER_HZ on Linux
    let total = 0;
    for (const pid of fs.readdirSync('/proc')) {
        if (!/^\d+$/.test(pid)) continue;
        try {
            if (!fs.readFileSync(`/proc/${pid}/cmdline`, 'utf8').includes(profile)) continue;
            const fields = fs.readFileSync(`/proc/${pid}/stat`, 'utf8').split(') ')[1].split(' ');
            total += (Number(fields[11]) + Number(fields[12])) / tick;
        } catch {
            // Gone meanwhile.
        }
    }
    return total;
}

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// The screen's rows as text, from whichever way the page draws.
function rows(page) {
    return page.evaluate(() => {
        const p = window.patrulhaPage;
        if (!p) return [];
        if (p.rows) return p.rows();
        const buffer = p.terminal.buffer.active;
        const text = [];
        for (let y = 0; y < p.terminal.rows; ++y) text.push(buffer.getLine(y).translateToString());
        return text;
    });
}

async function waitForText(page, text) {
    const until = Date.now() + 60000;
    while (Date.now() < until) {
        if ((await rows(page)).some((row) => row.includes(text))) return;
        await sleep(100);
    }
    throw new Error(`no "${text}" on screen`);
}

// One measurement: `seconds` of play, pressing a key every `everyMs` (0:
// none). Null when the game ended meanwhile.
async function measure(page, cdp, everyMs, profile) {
    const metrics = async () => {
        const { metrics: list } = await cdp.send('Performance.getMetrics');
        return Object.fromEntries(list.map((m) => [m.name, m.value]));
    };
    const before = await metrics();
    const browserBefore = browserSeconds(profile);
    const started = process.hrtime.bigint();
    const until = Date.now() + seconds * 1000;
    let left = true;
    while (Date.now() < until) {
        if (everyMs) {
            await page.keyboard.press(left ? 'ArrowLeft' : 'ArrowRight');
            left = !left;
            await sleep(everyMs);
        } else {
            await sleep(200);
        }
    }
    const after = await metrics();
    const wall = Number(process.hrtime.bigint() - started) / 1e9;
    const browser = (browserSeconds(profile) - browserBefore) / wall;
    if ((await rows(page)).some((row) => row.includes('JOGAR NOVAMENTE'))) return null;
    const share = (name) => (after[name] - before[name]) / wall;
    return {
        task: share('TaskDuration'), script: share('ScriptDuration'),
        layout: share('LayoutDuration'), style: share('RecalcStyleDuration'), browser,
    };
}

async function newGame(page) {
    const now = await rows(page);
    if (now.some((row) => row.includes('JOGAR NOVAMENTE'))) await page.keyboard.press('s');
    else if (now.some((row) => row.includes('VIDAS:'))) await page.keyboard.press('c');
    await waitForText(page, 'ESCOLHA NIVEL');
    await page.keyboard.press('1');
    await waitForText(page, 'VIDAS:');
    // The frame runs round the screen first.
    await sleep(2000);
}

async function main() {
    const bytes = fs.readFileSync(pagePath);
    console.log(`page: ${bytes.length} bytes, ${zlib.gzipSync(bytes, { level: 9 }).length} gzipped`);
    const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'patrulha-page-bench-'));
    let browser;
    try {
        browser = await shared.launchChromium(browserPath, profile);
        const page = await browser.newPage();
        const cdp = await page.createCDPSession();
        await cdp.send('Performance.enable', { timeDomain: 'threadTicks' });
        await page.goto('file://' + pagePath, { waitUntil: 'load' });
        await waitForText(page, 'ESCOLHA NIVEL');
        if (noDrawing) {
            await page.evaluate(() => {
                const p = window.patrulhaPage;
                // Game over is still told from what the game sends; the
                // title from the game waiting for a key (a game does not).
                let over = false;
                const decoder = new TextDecoder();
                p.write = (data) => {
                    const text = decoder.decode(data);
                    if (text.includes('JOGAR NOVAMENTE')) over = true;
                };
                // S answers the prompt.
                window.addEventListener('keydown', (event) => {
                    if (event.key === 's') over = false;
                });
                p.rows = () => [over ? 'JOGAR NOVAMENTE' : p.waitingForKey ? 'ESCOLHA NIVEL' : 'VIDAS:'];
            });
        }
        for (const [what, everyMs] of [['no keys', 0], ['a key every 100 ms', 100]]) {
            let result = null;
            for (let attempt = 1; attempt <= 4 && !result; ++attempt) {
                await newGame(page);
                result = await measure(page, cdp, everyMs, profile);
                if (!result) console.log(`# the game ended while measuring ${what}; again`);
            }
            if (!result) throw new Error(`every game ended while measuring ${what}`);
            const pc = (x) => `${(100 * x).toFixed(1)} %`;
            console.log(`${what}: main thread ${pc(result.task)} of a core ` +
                `(scripts ${pc(result.script)}, layout ${pc(result.layout)}, style ${pc(result.style)}); ` +
                `whole browser ${pc(result.browser)}`);
        }
    } finally {
        if (browser) await browser.close().catch(() => {});
        fs.rmSync(profile, { recursive: true, force: true });
    }
}

main().catch((error) => {
    console.error(`page_bench: ${error && error.stack ? error.stack : error}`);
    process.exit(1);
});
