'use strict';
// The one-file page played in headless Chromium, opened from disk as a
// player would: the title screen and its colours, the options screen and
// back with Esc, a game (the ship moves, fires with its tone, a special
// bomb, a pause, D ends it with the end line). What is on screen is read
// from the page's terminal; the tones from the Web Audio calls the page
// makes. Saves the README's pictures on the way.
//
//   node page_test.cjs --page build-web/patrulha.html --images build-web/images
//                      [--browser /usr/bin/chromium]
//
// Chromium gets an empty profile of its own; the browser, every process it
// started and the profile are gone when this ends, however it ends.

const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const puppeteer = require('puppeteer-core');

// ==== Options ====

function option(name, fallback) {
    const at = process.argv.indexOf(name);
    if (at >= 0 && at + 1 < process.argv.length) return process.argv[at + 1];
    if (fallback !== undefined) return fallback;
    console.error(`page_test: ${name} is missing`);
    process.exit(2);
}

const pagePath = path.resolve(option('--page'));
const imagesDir = path.resolve(option('--images'));
const browserPath = option('--browser', '/usr/bin/chromium');

// Long enough for a loaded machine; a state that is right shows in well
// under a second.
const kDeadlineMs = 30000;
const kWholeRunMs = 300000;

// ==== The console's colours as the terminal numbers them ====

const kAnsiOf = [0, 4, 2, 6, 1, 5, 3, 7];
// The terminal's palette number of a console colour (blue is 1, red is 4).
const ansi = (colour) => kAnsiOf[colour & 7] + (colour & 8);
const GREEN = 2, LIGHTRED = 12, WHITE = 15;

const kShip = '\u2663';
const kShot = '\u2302';
const kEnemies = ['\u25BC', '\u2666', '\u263B', '\u263C'];

// ==== The page's terminal, read back ====

// The whole terminal once it has taken in all it was sent: each row's text
// and each cell's palette colours; and whether the game waits for a key.
function readScreen(page) {
    return page.evaluate(async () => {
        const terminal = window.patrulhaPage.terminal;
        const waitingForKey = window.patrulhaPage.waitingForKey;
        await new Promise((resolve) => terminal.write('', resolve));
        const buffer = terminal.buffer.active;
        const text = [], fg = [], bg = [];
        for (let y = 0; y < terminal.rows; ++y) {
            const line = buffer.getLine(y);
            let row = '';
            const rowFg = [], rowBg = [];
            for (let x = 0; x < terminal.cols; ++x) {
                const cell = line.getCell(x);
                row += cell.getChars() || ' ';
                rowFg.push(cell.isFgDefault() ? -1 : cell.getFgColor());
                rowBg.push(cell.isBgDefault() ? -1 : cell.getBgColor());
            }
            text.push(row);
            fg.push(rowFg);
            bg.push(rowBg);
        }
        return {
            columns: terminal.cols, rows: terminal.rows, text, fg, bg, waitingForKey,
            end: document.getElementById('end').textContent,
        };
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
            (fgAt(s, x + i, y) !== ansi(fg) || bgAt(s, x + i, y) !== 0)) return false;
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
        screen = await readScreen(page);
        if (check(screen)) return screen;
        if (unless && unless(screen)) throw new Interrupted(`${what} cut short:\n${dump(screen)}`);
        if (Date.now() > until) throw new Error(`no ${what} within ${kDeadlineMs} ms:\n${dump(screen)}`);
        await new Promise((resolve) => setTimeout(resolve, 100));
    }
}

// Rows (1-based) of column `x` between rows 2 and `below` that show a shot.
function shotRows(s, x, below) {
    const rows = [];
    for (let y = 2; y < below; ++y) if (glyphAt(s, x, y) === kShot) rows.push(y);
    return rows;
}

const number = (s, x, y) => parseInt(s.text[y - 1].slice(x - 1), 10);

// ==== Recording the tones ====

// Put into the page before its own scripts: every oscillator started is
// recorded with its frequency, start and stop times.
function recordTones() {
    window.recordedTones = [];
    const create = BaseAudioContext.prototype.createOscillator;
    BaseAudioContext.prototype.createOscillator = function () {
        const oscillator = create.call(this);
        const record = { frequency: null, start: null, stop: null };
        const start = oscillator.start, stop = oscillator.stop;
        oscillator.start = function (when) {
            record.frequency = oscillator.frequency.value;
            record.start = when;
            window.recordedTones.push(record);
            return start.call(this, when);
        };
        oscillator.stop = function (when) {
            record.stop = when;
            return stop.call(this, when);
        };
        return oscillator;
    };
}

// ==== Pictures ====

async function picture(page, name) {
    fs.mkdirSync(imagesDir, { recursive: true });
    const target = path.join(imagesDir, name);
    const part = target + '.part.png';
    const terminal = await page.$('#terminal');
    await terminal.screenshot({ path: part });
    fs.renameSync(part, target);
}

// ==== The steps ====

async function play(page) {
    const steps = [];
    const step = async (name, body) => {
        await body();
        steps.push(name);
        console.log(`ok ${steps.length} - ${name}`);
    };

    await step('the page loads from disk, titled, with its terminal of 80 x 42 focused', async () => {
        await page.goto('file://' + pagePath, { waitUntil: 'load' });
        const s = await waitFor(page, 'terminal', (screen) => screen.columns > 0);
        if (s.columns !== 80 || s.rows !== 42) throw new Error(`terminal of ${s.columns} x ${s.rows}`);
        if (await page.title() !== 'Patrulha Estelar') throw new Error(`title "${await page.title()}"`);
        const focused = await page.evaluate(() =>
            document.activeElement && document.activeElement.closest('#terminal') !== null);
        if (!focused) throw new Error('the terminal does not have the focus');
    });

    const titleShown = (s) =>
        shows(s, 9, 1, '\u2554\u2550', GREEN) && shows(s, 65, 19, '\u255D', GREEN) &&
        shows(s, 22, 22, 'ESCOLHA NIVEL DE DIFICULDADE', WHITE) &&
        shows(s, 14, 25, '1 - FACIL          3 - NORMAL', WHITE) &&
        shows(s, 14, 28, '2 - SECUNDARIO     4 - AVAN\u00C7ADO', WHITE) &&
        shows(s, 50, 25, 'ESC para sair', LIGHTRED) &&
        shows(s, 50, 28, '5 - PERSONALIZAR', LIGHTRED) && !anywhere(s, 'OP\u00C7OES');

    await step('the title screen: banner box, menu and their colours; the cursor hidden', async () => {
        await waitFor(page, 'title screen', titleShown);
        const cursorShown = await page.evaluate(() =>
            !window.patrulhaPage.terminal._core.coreService.isCursorHidden);
        if (cursorShown) throw new Error('the cursor is shown');
        const fits = await page.evaluate(() => {
            const box = document.querySelector('#terminal .xterm-screen').getBoundingClientRect();
            return box.right <= window.innerWidth && box.bottom <= window.innerHeight &&
                (box.width > window.innerWidth * 0.6 || box.height > window.innerHeight * 0.6);
        });
        if (!fits) throw new Error('the terminal does not fill the window');
        await picture(page, 'title.png');
    });

    await step('5 opens the options screen; Esc alone brings the title back', async () => {
        await page.keyboard.press('5');
        await waitFor(page, 'options screen', (s) =>
            shows(s, 37, 7, 'OP\u00C7OES') && shows(s, 31, 17, '1- \u2663     2- \u2660     3- \u00A5'));
        await picture(page, 'options.png');
        await page.keyboard.press('Escape');
        await waitFor(page, 'title screen after Esc', titleShown);
    });

    const shipAt = (x, y) => (s) => glyphAt(s, x, y) === kShip && fgAt(s, x, y) === ansi(WHITE);
    const gameShown = (s) =>
        shows(s, 1, 1, '\u2554') && shows(s, 45, 1, '\u2566') && shows(s, 60, 6, 'FACIL') &&
        shows(s, 50, 8, 'VIDAS:');
    const gameOver = (s) => anywhere(s, 'JOGAR NOVAMENTE? S/N');

    // The enemies' shots fall at random, and the ship stands still while a
    // step waits: it can lose its last life before the step is done. A step
    // that needs a game in play then answers S, which leads to the title,
    // starts another game and runs again, a few times at most.
    const kGames = 4;
    const inPlay = async (body) => {
        for (let game = 1; ; ++game) {
            try {
                return await body();
            } catch (error) {
                if (!(error instanceof Interrupted) || game === kGames) throw error;
                console.log(`# game over in the way (game ${game}); playing another`);
            }
            if (gameOver(await readScreen(page))) await page.keyboard.press('s');
            await waitFor(page, 'title screen after the game over', titleShown);
            await page.keyboard.press('1');
            await waitFor(page, 'another game', gameShown);
        }
    };

    await step('1 starts a game: frame, panel, the ship at its place', async () => {
        await page.keyboard.press('1');
        await waitFor(page, 'game screen', (s) => gameShown(s) && shipAt(23, 39)(s));
    });

    await step('ArrowLeft moves the ship one column', async () => {
        await page.keyboard.press('ArrowLeft');
        await waitFor(page, 'ship one column left', (s) =>
            shipAt(22, 39)(s) && glyphAt(s, 23, 39) === ' ');
    });

    await step('z fires: a shot climbs from the ship and a 700 Hz tone is scheduled', async () => {
        const before = await page.evaluate(() => window.recordedTones.length);
        await page.keyboard.press('z');
        await waitFor(page, 'shot above the ship', (s) => shotRows(s, 22, 39).length > 0);
        const tones = await page.evaluate(() => window.recordedTones);
        const fired = tones.slice(before).find((t) => t.frequency === 700);
        if (!fired) throw new Error(`no 700 Hz tone among ${JSON.stringify(tones.slice(before))}`);
        const length = fired.stop - fired.start;
        if (Math.abs(length - 0.015) > 0.001) throw new Error(`the tone lasts ${length} s`);
    });

    // Fires from wherever the ship is (a new game puts it back in the
    // middle); the column of the shot seen below row `below`.
    const shotFired = async (what, below) => {
        let x;
        await waitFor(page, 'the ship on its row', (s) => {
            for (x = 2; x <= 44; ++x) if (shipAt(x, 39)(s)) return true;
            return false;
        }, gameOver);
        await page.keyboard.press('z');
        await waitFor(page, what, (s) => shotRows(s, x, below).length > 0, gameOver);
        return x;
    };

    await step('a game in play: enemies in the field, a shot in flight', () => inPlay(async () => {
        await waitFor(page, 'enemies', (s) => {
            let found = 0;
            for (let y = 2; y <= 17; ++y)
                for (let x = 2; x <= 44; ++x) if (kEnemies.includes(glyphAt(s, x, y))) ++found;
            return found >= 3;
        }, gameOver);
        await shotFired('a shot in flight', 38);
        await picture(page, 'game.png');
    }));

    await step('a fires a special bomb: one bomb fewer in the panel', () => inPlay(async () => {
        const bombs = number(await readScreen(page), 60, 10);
        if (!(bombs > 0)) throw new Error(`no bomb to fire: ${bombs}`);
        await page.keyboard.press('a');
        await waitFor(page, 'one bomb fewer', (s) => number(s, 60, 10) === bombs - 1, gameOver);
    }));

    await step('s pauses: the field stands still until s again', () => inPlay(async () => {
        const x = await shotFired('another shot', 39);
        await page.keyboard.press('s');
        // Paused: the game waits for its next key with the frame under way
        // drawn. Should the game have ended just before, the s answered its
        // prompt instead.
        const still = await waitFor(page, 'the pause', (s) => s.waitingForKey, gameOver);
        if (!gameShown(still) || gameOver(still)) {
            throw new Interrupted(`the game ended before the pause:\n${dump(still)}`);
        }
        if (shotRows(still, x, 39).length === 0) throw new Error(`no shot held:\n${dump(still)}`);
        const since = Date.now();
        while (Date.now() - since < 1500) {
            await new Promise((resolve) => setTimeout(resolve, 250));
            const now = await readScreen(page);
            if (JSON.stringify(now.text) !== JSON.stringify(still.text)) {
                throw new Error(`the screen moved while paused:\n${dump(still)}\n----\n${dump(now)}`);
            }
        }
        await page.keyboard.press('s');
        await waitFor(page, 'the game going on', (s) =>
            JSON.stringify(s.text) !== JSON.stringify(still.text));
    }));

    await step('d ends the program: the console cleared and the end line shown', () => inPlay(async () => {
        if (gameOver(await readScreen(page))) throw new Interrupted('the game is over');
        await page.keyboard.press('d');
        const s = await waitFor(page, 'end line', (screen) =>
            screen.end.startsWith('Fim.') && screen.text.every((row) => row.trim() === ''), gameOver);
        if (!s.end.includes('Jogar de novo')) throw new Error(`end line "${s.end}"`);
    }));

    return steps.length;
}

// ==== The browser, and leaving nothing behind ====

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

function killAll(profile) {
    for (const pid of processesUsing(profile)) {
        try { process.kill(pid, 'SIGKILL'); } catch { /* gone meanwhile */ }
    }
}

async function main() {
    if (!fs.existsSync(pagePath)) throw new Error(`no page at ${pagePath}`);
    const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'patrulha-page-test-'));
    const cleanUp = () => {
        killAll(profile);
        fs.rmSync(profile, { recursive: true, force: true });
    };
    for (const signal of ['SIGINT', 'SIGTERM', 'SIGHUP']) {
        process.on(signal, () => {
            cleanUp();
            process.exit(128 + os.constants.signals[signal]);
        });
    }
    const giveUp = setTimeout(() => {
        console.error(`page_test: not done within ${kWholeRunMs / 1000} s`);
        cleanUp();
        process.exit(1);
    }, kWholeRunMs);

    let browser;
    let passed = 0;
    try {
        browser = await puppeteer.launch({
            executablePath: browserPath,
            ignoreDefaultArgs: true,
            pipe: true,
            args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
                '--disable-background-networking', '--disable-component-update', '--disable-sync',
                `--user-data-dir=${profile}`, '--window-size=1200,1000', 'about:blank'],
            defaultViewport: { width: 1200, height: 1000 },
            timeout: 60000,
        });
        const page = await browser.newPage();
        const errors = [];
        page.on('pageerror', (error) => errors.push(String(error)));
        await page.evaluateOnNewDocument(recordTones);
        passed = await play(page);
        if (errors.length) throw new Error(`the page reported errors: ${errors.join('; ')}`);
    } finally {
        if (browser) {
            await Promise.race([browser.close().catch(() => {}),
                new Promise((resolve) => setTimeout(resolve, 10000))]);
        }
        cleanUp();
        clearTimeout(giveUp);
    }
    const left = processesUsing(profile);
    if (left.length) throw new Error(`browser processes left behind: ${left.join(' ')}`);
    if (fs.existsSync(profile)) throw new Error(`profile left behind: ${profile}`);
    console.log(`${passed} passed, 0 failed`);
}

main().catch((error) => {
    console.error(`page_test: ${error && error.stack ? error.stack : error}`);
    console.log('0 passed, 1 failed');
    process.exit(1);
});
