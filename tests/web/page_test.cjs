// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

'use strict';
// The one-file page played in headless Chromium, opened from disk as a
// player would. On a desktop: the game's version below the game, the title
// screen and its colours, the options screen and back with Esc, a game (the
// ship moves, fires with its tone, a special bomb, a pause; a click beside
// the game keeps the keys, the wheel does not move the ship, a hidden page
// stands still), D ends it with the end screen, whose Enter plays again. On
// a phone (390 x 844, touch), a whole game with taps on the touch controls
// only. What is on screen is read from the cells the page draws; the tones
// from the Web Audio calls the page makes. Saves the README's pictures on
// the way.
//
//   node page_test.cjs --page build-web/patrulha.html --images build-web/images
//                      --version VERSION [--browser /usr/bin/chromium]
//
// Chromium gets an empty profile of its own; the browser, every process it
// started and the profile are gone when this ends, however it ends.

const fs = require('node:fs');
const path = require('node:path');
const shared = require('./browser.cjs');
const {
    WHITE, readScreen, dump, glyphAt, fgAt, shows, anywhere, Interrupted, waitFor, titleShown,
} = shared;

// ==== Options ====

function option(name, fallback) {
    return shared.option('page_test', name, fallback);
}

const pagePath = path.resolve(option('--page'));
const imagesDir = path.resolve(option('--images'));
const browserPath = option('--browser', '/usr/bin/chromium');
const version = option('--version');

const kWholeRunMs = 300000;

const kShip = '\u2663';
const kShot = '\u2302';
const kEnemies = ['\u25BC', '\u2666', '\u263B', '\u263C'];

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

// The console alone, or with `whole` all the page shows.
async function picture(page, name, whole) {
    fs.mkdirSync(imagesDir, { recursive: true });
    const target = path.join(imagesDir, name);
    const part = target + '.part.png';
    if (whole) {
        await page.screenshot({ path: part });
    } else {
        const screen = await page.$('#screen');
        await screen.screenshot({ path: part });
    }
    fs.renameSync(part, target);
}

// ==== The steps ====

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

const optionsShown = (s) =>
    shows(s, 37, 7, 'OP\u00C7OES') && shows(s, 31, 17, '1- \u2663     2- \u2660     3- \u00A5');
const shipAt = (x, y) => (s) => glyphAt(s, x, y) === kShip && fgAt(s, x, y) === WHITE;
const gameShown = (s) =>
    shows(s, 1, 1, '\u2554') && shows(s, 45, 1, '\u2566') && shows(s, 60, 6, 'FACIL') &&
    shows(s, 50, 8, 'VIDAS:');
const gameOver = (s) => anywhere(s, 'JOGAR NOVAMENTE? S/N');
// The ship's column on its starting row, or 0.
const shipColumn = (s) => {
    for (let x = 2; x <= 44; ++x) if (shipAt(x, 39)(s)) return x;
    return 0;
};
const endShown = (s) => s.end.startsWith('Fim de jogo') && s.end.includes('Jogar de novo');

// The steps of one player: `press` gives the game one key, by its name
// for the keyboard ('ArrowLeft', 'Escape', 'z').
function player(page, press) {
    const steps = [];
    const step = async (name, body) => {
        await body();
        steps.push(name);
        console.log(`ok ${steps.length} - ${name}`);
    };

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
            if (gameOver(await readScreen(page))) await press('s');
            await waitFor(page, 'title screen after the game over', titleShown);
            await press('1');
            await waitFor(page, 'another game', gameShown);
        }
    };

    // The ship's column once it is on its row.
    const shipFound = async () => {
        const s = await waitFor(page, 'the ship on its row', (screen) => shipColumn(screen) > 0, gameOver);
        return shipColumn(s);
    };

    // Fires from wherever the ship is (a new game puts it back in the
    // middle); the column of the shot seen below row `below`.
    const shotFired = async (what, below) => {
        const x = await shipFound();
        await press('z');
        await waitFor(page, what, (s) => shotRows(s, x, below).length > 0, gameOver);
        return x;
    };

    // One column left, then right again: the keys reach the game.
    const keysReachGame = async (what) => {
        const x = await shipFound();
        const to = x > 2 ? x - 1 : x + 1;
        await press(to < x ? 'ArrowLeft' : 'ArrowRight');
        await waitFor(page, what, (s) => shipAt(to, 39)(s), gameOver);
    };

    const pauses = () => inPlay(async () => {
        const x = await shotFired('another shot', 39);
        await press('s');
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
            await sleep(250);
            const now = await readScreen(page);
            if (JSON.stringify(now.text) !== JSON.stringify(still.text)) {
                throw new Error(`the screen moved while paused:\n${dump(still)}\n----\n${dump(now)}`);
            }
        }
        await press('s');
        await waitFor(page, 'the game going on', (s) =>
            JSON.stringify(s.text) !== JSON.stringify(still.text));
    });

    const ends = () => inPlay(async () => {
        if (gameOver(await readScreen(page))) throw new Interrupted('the game is over');
        await press('d');
        await waitFor(page, 'end screen', (s) => endShown(s), gameOver);
        const hidden = await page.evaluate(() => document.getElementById('stage').hidden);
        if (!hidden) throw new Error('the console is still shown beside the end screen');
    });

    return { steps, step, inPlay, shotFired, keysReachGame, pauses, ends, shipFound };
}

async function playOnDesktop(page) {
    const press = (key) => page.keyboard.press(key);
    const { steps, step, inPlay, shotFired, keysReachGame, pauses, ends, shipFound } = player(page, press);

    await step('the page loads from disk, titled, its console of 80 x 42, no touch controls, ' +
        'the version below the game', async () => {
        await page.goto('file://' + pagePath, { waitUntil: 'load' });
        const s = await waitFor(page, 'console', (screen) => screen.columns > 0);
        if (s.columns !== 80 || s.rows !== 42) throw new Error(`console of ${s.columns} x ${s.rows}`);
        if (await page.title() !== 'Patrulha Estelar') throw new Error(`title "${await page.title()}"`);
        const about = await page.evaluate(() => {
            const line = document.getElementById('about');
            return { text: line.textContent, top: line.getBoundingClientRect().top,
                bottom: line.getBoundingClientRect().bottom, height: window.innerHeight,
                game: document.getElementById('game').getBoundingClientRect().bottom };
        });
        if (about.text !== `Patrulha Estelar ${version}` || about.top < about.game || about.bottom > about.height) {
            throw new Error(`the about line: ${JSON.stringify(about)}`);
        }
        const pad = await page.evaluate(() => document.getElementById('cross').offsetHeight);
        if (pad !== 0) throw new Error('touch controls on a desktop');
    });

    await step('the title screen: banner box, menu and their colours; the cursor hidden', async () => {
        const s = await waitFor(page, 'title screen', titleShown);
        if (s.cursorVisible) throw new Error('the cursor is shown');
        const fits = await page.evaluate(() => {
            const box = document.getElementById('screen').getBoundingClientRect();
            return box.left >= 0 && box.top >= 0 &&
                box.right <= window.innerWidth && box.bottom <= window.innerHeight &&
                (box.width > window.innerWidth * 0.6 || box.height > window.innerHeight * 0.6);
        });
        if (!fits) throw new Error('the console does not fill the window');
        await picture(page, 'title.png');
    });

    await step('5 opens the options screen; Esc alone brings the title back', async () => {
        await press('5');
        await waitFor(page, 'options screen', optionsShown);
        await picture(page, 'options.png');
        await press('Escape');
        await waitFor(page, 'title screen after Esc', titleShown);
    });

    await step('1 starts a game: frame, panel, the ship at its place', async () => {
        await press('1');
        await waitFor(page, 'game screen', (s) => gameShown(s) && shipAt(23, 39)(s));
    });

    await step('ArrowLeft moves the ship one column', async () => {
        await press('ArrowLeft');
        await waitFor(page, 'ship one column left', (s) =>
            shipAt(22, 39)(s) && glyphAt(s, 23, 39) === ' ');
    });

    await step('z fires: a shot climbs from the ship and a 700 Hz tone is scheduled', async () => {
        const before = await page.evaluate(() => window.recordedTones.length);
        await press('z');
        await waitFor(page, 'shot above the ship', (s) => shotRows(s, 22, 39).length > 0);
        const tones = await page.evaluate(() => window.recordedTones);
        const fired = tones.slice(before).find((t) => t.frequency === 700);
        if (!fired) throw new Error(`no 700 Hz tone among ${JSON.stringify(tones.slice(before))}`);
        const length = fired.stop - fired.start;
        if (Math.abs(length - 0.015) > 0.001) throw new Error(`the tone lasts ${length} s`);
    });

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
        await press('a');
        await waitFor(page, 'one bomb fewer', (s) => number(s, 60, 10) === bombs - 1, gameOver);
    }));

    await step('s pauses: the field stands still until s again', pauses);

    await step('a click beside the game, and one on it, leave the keys with the game', () => inPlay(async () => {
        await page.mouse.click(3, 500);
        await keysReachGame('the ship moved after a click beside the game');
        await page.mouse.click(600, 500);
        await keysReachGame('the ship moved after a click on the game');
    }));

    await step('the wheel over the game neither moves the ship nor scrolls the page', () => inPlay(async () => {
        const x = await shipFound();
        await page.mouse.move(600, 500);
        for (let i = 0; i < 5; ++i) await page.mouse.wheel({ deltaY: i % 2 ? -240 : 240 });
        // The frames go on meanwhile: a key from the wheel would be read.
        const since = Date.now();
        while (Date.now() - since < 1000) {
            const s = await readScreen(page);
            if (gameOver(s)) throw new Interrupted('the game is over');
            if (!s.waitingForKey && gameShown(s) && shipColumn(s) !== x && shipColumn(s) !== 0) {
                throw new Error(`the ship moved from column ${x} with the wheel:\n${dump(s)}`);
            }
            await sleep(100);
        }
        const scrolled = await page.evaluate(() => window.scrollY || document.documentElement.scrollTop);
        if (scrolled) throw new Error(`the page scrolled by ${scrolled}`);
    }));

    await step('a hidden page stands still, its clock too, and goes on when shown', () => inPlay(async () => {
        await shotFired('a shot before hiding', 39);
        const hide = (hidden) => page.evaluate((hidden) => {
            if (hidden) {
                Object.defineProperty(document, 'visibilityState', { configurable: true, get: () => 'hidden' });
            } else {
                delete document.visibilityState;
            }
            document.dispatchEvent(new Event('visibilitychange'));
        }, hidden);
        await hide(true);
        // What runs up to the next wait of the game is drawn first.
        await sleep(300);
        const clock = () => page.evaluate(() => window.patrulhaPage.now());
        const still = await readScreen(page);
        const clockBefore = await clock();
        await sleep(1500);
        const now = await readScreen(page);
        const clockAfter = await clock();
        if (JSON.stringify(now.text) !== JSON.stringify(still.text)) {
            await hide(false);
            throw new Error(`the hidden page moved:\n${dump(still)}\n----\n${dump(now)}`);
        }
        if (clockAfter !== clockBefore) {
            await hide(false);
            throw new Error(`the clock ran while hidden: ${clockBefore} then ${clockAfter}`);
        }
        await hide(false);
        await waitFor(page, 'the game going on once shown', (s) =>
            JSON.stringify(s.text) !== JSON.stringify(still.text));
    }));

    await step('d ends the program: the end screen, whose Enter plays again', async () => {
        await ends();
        await Promise.all([page.waitForNavigation({ waitUntil: 'load' }), press('Enter')]);
        await waitFor(page, 'title screen after playing again', titleShown);
    });

    return steps.length;
}

// A phone held upright, with taps on the touch controls only.
async function playOnPhone(page) {
    const button = (key) => `.pad button[data-key="${key}"]`;
    const press = (key) => page.tap(button(key));
    const { steps, step, inPlay, shotFired, keysReachGame, pauses, ends, shipFound } = player(page, press);

    await step('phone: the touch controls below the console, which fills the width', async () => {
        await page.goto('file://' + pagePath, { waitUntil: 'load' });
        await waitFor(page, 'title screen on the phone', titleShown);
        const layout = await page.evaluate(() => {
            const box = (id) => document.getElementById(id).getBoundingClientRect().toJSON();
            const screen = box('screen'), keys = box('keys'), cross = box('cross'), about = box('about');
            return { screen, keys, cross, about, width: window.innerWidth, height: window.innerHeight };
        });
        const { screen, keys, cross, about, width, height } = layout;
        if (!(keys.height > 0 && cross.height > 0)) throw new Error('no touch controls');
        if (screen.left < 0 || screen.right > width || screen.bottom > keys.top || cross.bottom > about.top ||
            about.bottom > height) {
            throw new Error(`the layout does not fit: ${JSON.stringify(layout)}`);
        }
        if (screen.width < width * 0.9) throw new Error(`the console is ${screen.width} px wide of ${width}`);
        await picture(page, 'phone.png', true);
    });

    await step('phone: 5 opens the options screen, Esc leaves it', async () => {
        await press('5');
        await waitFor(page, 'options screen', optionsShown);
        await press('Escape');
        await waitFor(page, 'title screen after Esc', titleShown);
    });

    await step('phone: 1 starts a game; an arrow tapped moves one column, held moves on', () => {
        return (async () => {
            await press('1');
            await waitFor(page, 'game screen', gameShown);
            await inPlay(async () => {
                await keysReachGame('the ship one column on');
                const x = await shipFound();
                const box = await (await page.$(button(x > 22 ? 'ArrowLeft' : 'ArrowRight'))).boundingBox();
                await page.touchscreen.touchStart(box.x + box.width / 2, box.y + box.height / 2);
                try {
                    await waitFor(page, 'the ship four columns on', (s) =>
                        Math.abs(shipColumn(s) - x) >= 4, gameOver);
                } finally {
                    await page.touchscreen.touchEnd();
                }
                // Let go, the ship stops.
                let last = 0, since = Date.now();
                await waitFor(page, 'the ship standing still', (s) => {
                    if (shipColumn(s) !== last) { last = shipColumn(s); since = Date.now(); }
                    return Date.now() - since > 500;
                }, gameOver);
            });
        })();
    });

    await step('phone: z fires', () => inPlay(() => shotFired('a shot from a tap', 39)));

    await step('phone: s pauses the game and s goes on', pauses);

    await step('phone: d quits to the end screen', ends);

    return steps.length;
}

async function main() {
    if (!fs.existsSync(pagePath)) throw new Error(`no page at ${pagePath}`);
    const passed = await shared.withChromium('page_test', browserPath, kWholeRunMs, async (browser) => {
        const errors = [];
        const open = async () => {
            const page = await browser.newPage();
            page.on('pageerror', (error) => errors.push(String(error)));
            await page.evaluateOnNewDocument(recordTones);
            return page;
        };
        const desktop = await open();
        let steps = await playOnDesktop(desktop);
        await desktop.close();
        const phone = await open();
        await phone.emulate({
            viewport: { width: 390, height: 844, deviceScaleFactor: 2, isMobile: true, hasTouch: true },
            userAgent: 'Mozilla/5.0 (Linux; Android 14; Pixel 8) AppleWebKit/537.36 (KHTML, like Gecko) ' +
                'Chrome/130.0 Mobile Safari/537.36',
        });
        steps += await playOnPhone(phone);
        if (errors.length) throw new Error(`the page reported errors: ${errors.join('; ')}`);
        return steps;
    });
    console.log(`${passed} passed, 0 failed`);
}

main().catch((error) => {
    console.error(`page_test: ${error && error.stack ? error.stack : error}`);
    console.log('0 passed, 1 failed');
    process.exit(1);
});
