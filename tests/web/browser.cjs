// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

'use strict';
// What the page's tests and its benchmark share: their options; headless
// Chromium started with an empty profile of its own and none of the
// background connections this machine would refuse, and every process of
// it ended; the console the page draws, read back and waited for.

const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const puppeteer = require('puppeteer-core');

// The value after `name` on the command line, or `fallback`; without either
// the program `who` says what is missing and exits with status 2.
function option(who, name, fallback) {
    const at = process.argv.indexOf(name);
    if (at >= 0 && at + 1 < process.argv.length) return process.argv[at + 1];
    if (fallback !== undefined) return fallback;
    console.error(`${who}: ${name} is missing`);
    process.exit(2);
}

// Chromium at `browserPath`, headless, in a 1200 x 1000 window, with its
// profile in the folder `profile`.
function launchChromium(browserPath, profile) {
    return puppeteer.launch({
        executablePath: browserPath,
        ignoreDefaultArgs: true,
        pipe: true,
        args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
            '--disable-background-networking', '--disable-component-update', '--disable-sync',
            `--user-data-dir=${profile}`, '--window-size=1200,1000', 'about:blank'],
        defaultViewport: { width: 1200, height: 1000 },
        timeout: 60000,
    });
}

// ==== The page's screen, read back ====

// Long enough for a loaded machine; a state that is right shows in well
// under a second.
const kDeadlineMs = 30000;

// The console's colours the tests look for.
const GREEN = 2, LIGHTRED = 12, WHITE = 15;

// The cells the page draws: each row's text and each cell's console
// colours; whether the game waits for a key; the end screen's text, empty
// while it is not shown.
function readScreen(page) {
    return page.evaluate(() => {
        // A page still loading has nothing to show yet.
        if (!window.patrulhaPage) return null;
        const s = window.patrulhaPage.screen();
        s.waitingForKey = window.patrulhaPage.waitingForKey;
        const end = document.getElementById('end');
        s.end = end.hidden ? '' : end.textContent.replace(/\s+/g, ' ').trim();
        return s;
    });
}

// What a screen shows, for a failure's message.
function dump(screen) {
    return screen.text.map((row, y) => String(y + 1).padStart(2) + '|' + row.trimEnd()).join('\n') +
        `\nend line: "${screen.end}"`;
}

// 1-based column and row, as the game places things.
const glyphAt = (s, x, y) => s.text[y - 1][x - 1];
const fgAt = (s, x, y) => s.fg[y - 1][x - 1];
const bgAt = (s, x, y) => s.bg[y - 1][x - 1];

// Whether row `y` holds `text` from column `x`, every cell of it in `fg`
// on black.
function shows(s, x, y, text, fg) {
    const chars = [...text];
    for (let i = 0; i < chars.length; ++i) {
        if (glyphAt(s, x + i, y) !== chars[i]) return false;
        if (fg !== undefined && chars[i] !== ' ' &&
            (fgAt(s, x + i, y) !== fg || bgAt(s, x + i, y) !== 0)) return false;
    }
    return true;
}

const anywhere = (s, text) => s.text.some((row) => row.includes(text));

// A wait cut short by a screen that can no longer lead to what it waits
// for (the ship shot down for good while a step waited).
class Interrupted extends Error {}

// Waits until `check` holds for the whole screen; fails with the last
// screen seen once the deadline has passed, or at once with Interrupted
// when `unless` holds instead.
async function waitFor(page, what, check, unless) {
    const until = Date.now() + kDeadlineMs;
    let screen;
    for (;;) {
        const now = await readScreen(page);
        if (now) screen = now;
        if (!now) {
            if (Date.now() > until) throw new Error(`no ${what} within ${kDeadlineMs} ms: no page loaded`);
            await new Promise((resolve) => setTimeout(resolve, 100));
            continue;
        }
        if (check(screen)) return screen;
        if (unless && unless(screen)) throw new Interrupted(`${what} cut short:\n${dump(screen)}`);
        if (Date.now() > until) throw new Error(`no ${what} within ${kDeadlineMs} ms:\n${dump(screen)}`);
        await new Promise((resolve) => setTimeout(resolve, 100));
    }
}

// The title screen whole: its banner's box, the menu and their colours.
const titleShown = (s) =>
    shows(s, 9, 1, '\u2554\u2550', GREEN) && shows(s, 65, 19, '\u255D', GREEN) &&
    shows(s, 22, 22, 'ESCOLHA NIVEL DE DIFICULDADE', WHITE) &&
    shows(s, 14, 25, '1 - FACIL          3 - NORMAL', WHITE) &&
    shows(s, 14, 28, '2 - SECUNDARIO     4 - AVAN\u00C7ADO', WHITE) &&
    shows(s, 50, 25, 'ESC para sair', LIGHTRED) &&
    shows(s, 50, 28, '5 - PERSONALIZAR', LIGHTRED) && !anywhere(s, 'OP\u00C7OES');

// ==== Leaving nothing behind ====

// The processes whose command line names `profile`: Chromium's, every one.
function processesUsing(profile) {
    const found = [];
    for (const pid of fs.readdirSync('/proc')) {
        if (!/^\d+$/.test(pid)) continue;
        try {
            if (fs.readFileSync(`/proc/${pid}/cmdline`, 'utf8').includes(profile)) found.push(Number(pid));
        } catch {
            // Gone meanwhile.
        }
    }
    return found;
}

// Ends every process whose command line names `profile`.
function killAll(profile) {
    for (const pid of processesUsing(profile)) {
        try { process.kill(pid, 'SIGKILL'); } catch { /* gone meanwhile */ }
    }
}

// Runs `body(browser)` in headless Chromium at `browserPath`, on an empty
// profile of its own, and resolves to what `body` resolves to. However it
// ends (`body` failing, a signal, `wholeRunMs` gone by), the browser, every
// process it started and the profile are gone, and `alsoEnd` has been
// called for what the caller started; it fails should any of them remain.
// `who` names the program in its messages.
async function withChromium(who, browserPath, wholeRunMs, body, alsoEnd = () => {}) {
    const profile = fs.mkdtempSync(path.join(os.tmpdir(), `patrulha-${who}-`));
    const cleanUp = () => {
        killAll(profile);
        fs.rmSync(profile, { recursive: true, force: true });
        alsoEnd();
    };
    const onSignal = {};
    for (const signal of ['SIGINT', 'SIGTERM', 'SIGHUP']) {
        onSignal[signal] = () => {
            cleanUp();
            process.exit(128 + os.constants.signals[signal]);
        };
        process.on(signal, onSignal[signal]);
    }
    const giveUp = setTimeout(() => {
        console.error(`${who}: not done within ${wholeRunMs / 1000} s`);
        cleanUp();
        process.exit(1);
    }, wholeRunMs);

    let browser;
    let result;
    try {
        browser = await launchChromium(browserPath, profile);
        result = await body(browser);
    } finally {
        if (browser) {
            await Promise.race([browser.close().catch(() => {}),
                new Promise((resolve) => setTimeout(resolve, 10000))]);
        }
        cleanUp();
        clearTimeout(giveUp);
        for (const [signal, handler] of Object.entries(onSignal)) process.off(signal, handler);
    }
    const left = processesUsing(profile);
    if (left.length) throw new Error(`browser processes left behind: ${left.join(' ')}`);
    if (fs.existsSync(profile)) throw new Error(`profile left behind: ${profile}`);
    return result;
}

module.exports = {
    option, launchChromium, kDeadlineMs, GREEN, LIGHTRED, WHITE, readScreen, dump, glyphAt, fgAt, bgAt,
    shows, anywhere, Interrupted, waitFor, titleShown, processesUsing, killAll, withChromium,
};
