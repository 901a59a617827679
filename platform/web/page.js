// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// The page's half of the browser backend (web_backend.cpp): the console of
// 80 x 42 drawn on a canvas in the console's 16 colours, the key presses
// waiting for the game (from the keyboard or the touch controls), the
// page's clock that stands still while the page is hidden, the tones, the
// end screen, and the recorded games: the one just played saved, one chosen
// or dropped onto the page replayed.
(function () {
    'use strict';

    const kColumns = 80;
    const kRows = 42;
    const kMostWaitingPresses = 256;
    // Tones are dropped rather than queued further than this ahead.
    const kMostToneBacklogS = 0.5;
    // A held arrow of the touch controls repeats as a keyboard does.
    const kRepeatDelayMs = 350;
    const kRepeatEveryMs = 90;
    // Larger than any replay of this game (the game refuses it too).
    const kLargestReplayBytes = 4 << 20;
    const kReplayKey = 'patrulha-replay';
    // A cell's width to its height, at most and at least.
    const kWidestCell = 0.6;
    const kNarrowestCell = 0.4;

    // ==== Drawing: on a canvas of its own, away from the game's thread ====

    // Draws the console's cells on the canvas it is handed, as messages on
    // `port` tell: { canvas }, { size: [cell width, height] } in device
    // pixels, { cells: [x, y, character, attribute, ...] }, { cursor: [x, y,
    // visible, size] }. It runs in a worker where the browser lets a worker
    // draw on a page's canvas, so that showing a frame costs the game's
    // thread nothing; elsewhere on the page's own thread. Self-contained: its
    // text is what the worker runs.
    function consoleDrawer(port) {
        const kColumns = 80, kRows = 42;
        // The console's 16 colours, by the console's numbers (blue is 1).
        const kPalette = [
            '#000000', '#000080', '#008000', '#008080', '#800000', '#800080', '#808000', '#c0c0c0',
            '#808080', '#0000ff', '#00ff00', '#00ffff', '#ff0000', '#ff00ff', '#ffff00', '#ffffff',
        ];
        const cells = new Uint32Array(kColumns * kRows * 2);
        for (let i = 0; i < cells.length; i += 2) { cells[i] = 32; cells[i + 1] = 7; }
        const cursor = { x: 0, y: 0, visible: false, size: 25 };
        let canvas = null, context = null, metrics = null;
        let cellWidth = 0, cellHeight = 0;

        // Lines and blocks are drawn as rectangles on whole device pixels,
        // the same in every cell, so that they join from cell to cell at any
        // size.
        function H(y, x0, x1) { context.fillRect(x0, y, x1 - x0, metrics.t); }
        function V(x, y0, y1) { context.fillRect(x, y0, metrics.t, y1 - y0); }

        const kGeometry = {
            // Single lines.
            0x2500: (m) => H(m.cy, m.L, m.R),
            0x2502: (m) => V(m.cx, m.T, m.B),
            0x250C: (m) => { H(m.cy, m.cx, m.R); V(m.cx, m.cy, m.B); },
            0x2510: (m) => { H(m.cy, m.L, m.cx + m.t); V(m.cx, m.cy, m.B); },
            0x2514: (m) => { H(m.cy, m.cx, m.R); V(m.cx, m.T, m.cy + m.t); },
            0x2518: (m) => { H(m.cy, m.L, m.cx + m.t); V(m.cx, m.T, m.cy + m.t); },
            0x251C: (m) => { V(m.cx, m.T, m.B); H(m.cy, m.cx, m.R); },
            0x2524: (m) => { V(m.cx, m.T, m.B); H(m.cy, m.L, m.cx); },
            0x252C: (m) => { H(m.cy, m.L, m.R); V(m.cx, m.cy, m.B); },
            0x2534: (m) => { H(m.cy, m.L, m.R); V(m.cx, m.T, m.cy); },
            0x253C: (m) => { H(m.cy, m.L, m.R); V(m.cx, m.T, m.B); },
            // Double lines: a and b the two vertical strokes, c and d the two
            // horizontal ones.
            0x2550: (m) => { H(m.c, m.L, m.R); H(m.d, m.L, m.R); },
            0x2551: (m) => { V(m.a, m.T, m.B); V(m.b, m.T, m.B); },
            0x2554: (m) => { H(m.c, m.a, m.R); V(m.a, m.c, m.B); H(m.d, m.b, m.R); V(m.b, m.d, m.B); },
            0x2557: (m) => { H(m.c, m.L, m.b + m.t); V(m.b, m.c, m.B); H(m.d, m.L, m.a + m.t); V(m.a, m.d, m.B); },
            0x255A: (m) => { V(m.a, m.T, m.d + m.t); H(m.d, m.a, m.R); V(m.b, m.T, m.c + m.t); H(m.c, m.b, m.R); },
            0x255D: (m) => { V(m.b, m.T, m.d + m.t); H(m.d, m.L, m.b + m.t); V(m.a, m.T, m.c + m.t); H(m.c, m.L, m.a + m.t); },
            0x2560: (m) => {
                V(m.a, m.T, m.B); V(m.b, m.T, m.c + m.t); H(m.c, m.b, m.R); V(m.b, m.d, m.B); H(m.d, m.b, m.R);
            },
            0x2563: (m) => {
                V(m.b, m.T, m.B); V(m.a, m.T, m.c + m.t); H(m.c, m.L, m.a + m.t); V(m.a, m.d, m.B); H(m.d, m.L, m.a + m.t);
            },
            0x2566: (m) => {
                H(m.c, m.L, m.R); H(m.d, m.L, m.a + m.t); V(m.a, m.d, m.B); H(m.d, m.b, m.R); V(m.b, m.d, m.B);
            },
            0x2569: (m) => {
                H(m.d, m.L, m.R); H(m.c, m.L, m.a + m.t); V(m.a, m.T, m.c + m.t); H(m.c, m.b, m.R); V(m.b, m.T, m.c + m.t);
            },
            0x256C: (m) => {
                H(m.c, m.L, m.a + m.t); V(m.a, m.T, m.c + m.t); H(m.c, m.b, m.R); V(m.b, m.T, m.c + m.t);
                H(m.d, m.L, m.a + m.t); V(m.a, m.d, m.B); H(m.d, m.b, m.R); V(m.b, m.d, m.B);
            },
            // Blocks.
            0x2580: (m) => context.fillRect(m.L, m.T, m.R - m.L, m.half - m.T),
            0x2584: (m) => context.fillRect(m.L, m.half, m.R - m.L, m.B - m.half),
            0x2588: (m) => context.fillRect(m.L, m.T, m.R - m.L, m.B - m.T),
            0x258C: (m) => context.fillRect(m.L, m.T, m.middle - m.L, m.B - m.T),
            0x2590: (m) => context.fillRect(m.middle, m.T, m.R - m.middle, m.B - m.T),
        };
        const kShades = { 0x2591: 0.25, 0x2592: 0.5, 0x2593: 0.75 };

        function drawCell(x, y) {
            const i = 2 * (y * kColumns + x);
            const character = cells[i], attribute = cells[i + 1];
            const L = x * cellWidth, T = y * cellHeight;
            context.fillStyle = kPalette[(attribute >> 4) & 15];
            context.fillRect(L, T, cellWidth, cellHeight);
            const foreground = kPalette[attribute & 15];
            context.fillStyle = foreground;
            if (character !== 32 && character !== 0) {
                const shape = kGeometry[character];
                if (shape) {
                    const m = metrics;
                    const cx = L + m.cx0, cy = T + m.cy0;
                    shape({
                        L, T, R: L + cellWidth, B: T + cellHeight, t: m.t, cx, cy,
                        a: cx - m.g, b: cx + m.g, c: cy - m.g, d: cy + m.g,
                        half: T + (cellHeight >> 1), middle: L + (cellWidth >> 1),
                    });
                } else if (kShades[character]) {
                    context.globalAlpha = kShades[character];
                    context.fillRect(L, T, cellWidth, cellHeight);
                    context.globalAlpha = 1;
                } else {
                    context.fillText(String.fromCodePoint(character), L + cellWidth / 2,
                        T + metrics.baseline, cellWidth);
                }
            }
            if (cursor.visible && cursor.x === x && cursor.y === y) {
                const height = Math.max(metrics.t, Math.round(cellHeight * cursor.size / 100));
                context.fillRect(L, T + cellHeight - height, cellWidth, height);
            }
        }

        function drawAll() {
            for (let y = 0; y < kRows; ++y) for (let x = 0; x < kColumns; ++x) drawCell(x, y);
        }

        function resize(w, h) {
            cellWidth = w;
            cellHeight = h;
            canvas.width = w * kColumns;
            canvas.height = h * kRows;
            const t = Math.max(1, Math.round(h / 14));
            metrics = {
                t, cx0: Math.floor((w - t) / 2), cy0: Math.floor((h - t) / 2),
                g: Math.max(t + 1, Math.round(w / 5)), baseline: Math.round(h * 0.78),
            };
            const fontSize = Math.min(h * 0.92, w / 0.6);
            context.font = `${fontSize}px "DejaVu Sans Mono", "Cascadia Mono", Consolas, "Liberation Mono", monospace`;
            context.textAlign = 'center';
            context.textBaseline = 'alphabetic';
            drawAll();
        }

        port.onmessage = (event) => {
            const m = event.data;
            if (m.canvas) {
                canvas = m.canvas;
                context = canvas.getContext('2d', { alpha: false });
            }
            if (m.size) resize(m.size[0], m.size[1]);
            if (m.cells) {
                const c = m.cells;
                for (let i = 0; i < c.length; i += 4) {
                    const at = 2 * (c[i + 1] * kColumns + c[i]);
                    cells[at] = c[i + 2];
                    cells[at + 1] = c[i + 3];
                    if (metrics) drawCell(c[i], c[i + 1]);
                }
            }
            if (m.cursor) {
                const [x, y, visible, size] = m.cursor;
                const old = { x: cursor.x, y: cursor.y };
                Object.assign(cursor, { x, y, visible, size });
                if (metrics) {
                    drawCell(old.x, old.y);
                    drawCell(x, y);
                }
            }
        };
    }

    const canvas = document.getElementById('screen');
    const gameArea = document.getElementById('game');
    const awayNote = document.getElementById('away');

    // The drawer's end of the messages, in a worker or on this thread.
    const drawer = (() => {
        if (canvas.transferControlToOffscreen && window.Worker && window.Blob) {
            try {
                const source = `(${consoleDrawer.toString()})(self);`;
                const url = URL.createObjectURL(new Blob([source], { type: 'text/javascript' }));
                const worker = new Worker(url);
                const offscreen = canvas.transferControlToOffscreen();
                worker.postMessage({ canvas: offscreen }, [offscreen]);
                return worker;
            } catch (error) {
                console.warn('drawing on the page itself:', error);
            }
        }
        const port = { onmessage: null, postMessage(data) { port.onmessage({ data }); } };
        consoleDrawer(port);
        port.postMessage({ canvas });
        return port;
    })();

    // ==== What the console shows: character and attribute of each cell ====

    const cells = new Uint32Array(kColumns * kRows * 2);
    for (let i = 0; i < cells.length; i += 2) { cells[i] = 32; cells[i + 1] = 7; }
    const cursor = { x: 0, y: 0, visible: false, size: 25 };
    // Cells changed since the drawer was last told, four numbers each.
    let changed = [];

    // The largest whole-pixel cell for which the console fits the room
    // left for it; the canvas maps one to one onto the screen's pixels.
    let cellWidth = 0, cellHeight = 0;
    function fit() {
        const scale = window.devicePixelRatio || 1;
        const width = gameArea.clientWidth * scale, height = gameArea.clientHeight * scale;
        if (!width || !height) return;
        // Cells as wide as the room allows, and as tall, within the shapes
        // a console font takes: narrow rooms (an upright phone) get taller
        // cells rather than empty space.
        let w = Math.max(2, Math.floor(width / kColumns));
        let h = Math.max(4, Math.min(Math.floor(height / kRows), Math.floor(w / kNarrowestCell)));
        w = Math.max(2, Math.min(w, Math.floor(h * kWidestCell)));
        if (w === cellWidth && h === cellHeight) return;
        cellWidth = w;
        cellHeight = h;
        canvas.style.width = w * kColumns / scale + 'px';
        canvas.style.height = h * kRows / scale + 'px';
        drawer.postMessage({ size: [w, h] });
    }
    new ResizeObserver(fit).observe(gameArea);
    window.addEventListener('resize', fit);
    // The font may come after the first drawing.
    if (document.fonts) {
        document.fonts.ready.then(() => { cellWidth = 0; fit(); });
    }

    // ==== The clock: it stands still while the page is hidden ====

    const isHidden = () => document.visibilityState === 'hidden';
    let hiddenSince = isHidden() ? performance.now() : null;
    let hiddenFor = 0;
    let whenShown = [];

    function now() {
        return (hiddenSince === null ? performance.now() : hiddenSince) - hiddenFor;
    }

    // Resolves at once while the page is shown, else once it is shown again.
    function shown() {
        if (!isHidden()) return Promise.resolve();
        return new Promise((resolve) => whenShown.push(resolve));
    }

    document.addEventListener('visibilitychange', () => {
        if (isHidden()) {
            if (hiddenSince === null) hiddenSince = performance.now();
            if (audio && audio.state === 'running') audio.suspend();
            return;
        }
        if (hiddenSince !== null) {
            hiddenFor += performance.now() - hiddenSince;
            hiddenSince = null;
        }
        if (audio && audio.state === 'suspended') audio.resume();
        const waiting = whenShown;
        whenShown = [];
        for (const resolve of waiting) resolve();
    });

    // ==== Keys: each press is what the game reads of one key ====

    // A character is its code point; a named key is -1 - its number in the
    // key decoder's table of keys.
    const kNamed = {
        ArrowUp: 0, ArrowDown: 1, ArrowLeft: 2, ArrowRight: 3, Home: 4, End: 5, PageUp: 6,
        PageDown: 7, Insert: 8, Delete: 9, Enter: 22, Backspace: 23,
    };
    const kCharacters = { Escape: 27, Tab: 9 };

    const presses = [];
    let wake = null;
    let ended = false;

    function pressOf(key, alt) {
        if (key in kNamed) return [-1 - kNamed[key]];
        if (key in kCharacters) return [kCharacters[key]];
        const chars = [...key];
        if (chars.length !== 1) return null;
        const code = chars[0].codePointAt(0);
        return alt ? [27, code] : [code];
    }

    function send(press) {
        if (ended || presses.length >= kMostWaitingPresses) return;
        presses.push(press);
        if (wake) wake();
    }

    window.addEventListener('keydown', (event) => {
        if (ended) {
            if (event.key === 'Enter') { event.preventDefault(); location.reload(); }
            return;
        }
        // The browser's own shortcuts stay the browser's.
        if (event.ctrlKey || event.metaKey || event.isComposing) return;
        const press = pressOf(event.key, event.altKey);
        if (!press) return;
        event.preventDefault();
        send(press);
    });

    // ==== The keyboard's focus: wherever the player clicks, keys go to the game ====

    function showAway() { awayNote.hidden = document.hasFocus() || ended; }
    window.addEventListener('blur', showAway);
    window.addEventListener('focus', showAway);
    document.addEventListener('pointerdown', () => {
        if (document.activeElement && document.activeElement !== document.body) {
            document.activeElement.blur();
        }
        window.focus();
        awayNote.hidden = true;
    }, true);

    // ==== Nothing else the pointer does reaches the game or the page ====

    window.addEventListener('wheel', (event) => event.preventDefault(), { passive: false });
    window.addEventListener('contextmenu', (event) => event.preventDefault());
    window.addEventListener('selectstart', (event) => event.preventDefault());
    window.addEventListener('dragstart', (event) => event.preventDefault());
    window.addEventListener('touchmove', (event) => event.preventDefault(), { passive: false });

    // ==== Touch controls, on screens without a fine pointer ====

    const coarse = window.matchMedia('(pointer: coarse)');
    const showPad = () => {
        document.body.classList.toggle('touch', coarse.matches);
        fit();
    };
    coarse.addEventListener('change', showPad);
    showPad();

    for (const button of document.querySelectorAll('.pad button')) {
        const key = button.dataset.key;
        let delay = null, repeat = null;
        const release = () => {
            clearTimeout(delay);
            clearInterval(repeat);
            delay = repeat = null;
            button.classList.remove('held');
        };
        button.addEventListener('pointerdown', (event) => {
            event.preventDefault();
            release();
            button.classList.add('held');
            send(pressOf(key, false));
            if (button.hasAttribute('data-repeat')) {
                delay = setTimeout(() => {
                    repeat = setInterval(() => send(pressOf(key, false)), kRepeatEveryMs);
                }, kRepeatDelayMs);
            }
        });
        for (const type of ['pointerup', 'pointercancel', 'pointerleave']) {
            button.addEventListener(type, release);
        }
        // A tap is handled when the finger goes down; the click that
        // follows does nothing more.
        button.addEventListener('click', (event) => event.preventDefault());
    }

    // ==== Sound: browsers let a page sound only after the player's first key ====

    let audio = null;
    let toneFree = 0;

    function startAudio() {
        const Context = window.AudioContext || window.webkitAudioContext;
        if (!Context || isHidden()) return;
        if (!audio) audio = new Context();
        if (audio.state === 'suspended') audio.resume();
    }
    document.addEventListener('keydown', startAudio, true);
    document.addEventListener('pointerdown', startAudio, true);

    function tone(frequency, durationMs) {
        if (!audio || audio.state !== 'running' || durationMs === 0 || isHidden()) return;
        const at = audio.currentTime;
        const start = Math.max(at, toneFree);
        if (start - at > kMostToneBacklogS) return;
        const end = start + durationMs / 1000;
        const oscillator = audio.createOscillator();
        oscillator.type = 'square';
        oscillator.frequency.value = frequency;
        // A few milliseconds of fade at each end, so that it does not click.
        const volume = audio.createGain();
        const fade = Math.min(0.003, (end - start) / 4);
        volume.gain.setValueAtTime(0, start);
        volume.gain.linearRampToValueAtTime(0.08, start + fade);
        volume.gain.setValueAtTime(0.08, end - fade);
        volume.gain.linearRampToValueAtTime(0, end);
        oscillator.connect(volume).connect(audio.destination);
        oscillator.start(start);
        oscillator.stop(end);
        toneFree = end;
    }

    // ==== Recorded games ====

    // The game the page is to replay, handed over from the page before the
    // reload that starts it afresh: { name, text }, or null.
    const givenReplay = (() => {
        try {
            const stored = sessionStorage.getItem(kReplayKey);
            sessionStorage.removeItem(kReplayKey);
            return stored ? JSON.parse(stored) : null;
        } catch (error) {
            return null;
        }
    })();

    // Replays the game in `file`: the page starts again with it.
    async function replayFile(file) {
        if (!file) return;
        let problem = null;
        if (file.size > kLargestReplayBytes) {
            problem = `${file.name}: too large to be a replay of this game`;
        } else {
            try {
                sessionStorage.setItem(kReplayKey, JSON.stringify({ name: file.name, text: await file.text() }));
                location.reload();
                return;
            } catch (error) {
                problem = `${file.name}: cannot be read: ${error.message || error}`;
            }
        }
        showEnd(2, '', problem, '');
    }

    for (const input of document.querySelectorAll('.replay-file')) {
        input.addEventListener('change', () => replayFile(input.files[0]));
    }
    const holdsFiles = (event) => event.dataTransfer && [...event.dataTransfer.types].includes('Files');
    const holdOver = (event) => {
        if (!holdsFiles(event)) return;
        event.preventDefault();
        event.dataTransfer.dropEffect = 'copy';
        document.body.classList.add('dropping');
    };
    window.addEventListener('dragenter', holdOver);
    window.addEventListener('dragover', holdOver);
    window.addEventListener('dragleave', () => document.body.classList.remove('dropping'));
    window.addEventListener('drop', (event) => {
        document.body.classList.remove('dropping');
        if (!holdsFiles(event)) return;
        event.preventDefault();
        replayFile(event.dataTransfer.files[0]);
    });

    // The file name a saved game gets: the game and when it ended.
    function replayName() {
        const d = new Date();
        const two = (n) => String(n).padStart(2, '0');
        return `patrulha-${d.getFullYear()}${two(d.getMonth() + 1)}${two(d.getDate())}-` +
            `${two(d.getHours())}${two(d.getMinutes())}${two(d.getSeconds())}.rpl`;
    }

    // ==== The end: the console gives way to a message and a button ====

    // `error` is empty after a normal end; `verdict` says how a replay went;
    // `recording` is the replay of the game just played.
    function showEnd(status, error, verdict, recording) {
        if (ended) return;
        ended = true;
        presses.length = 0;
        awayNote.hidden = true;
        document.getElementById('stage').hidden = true;
        let title = 'Fim de jogo', text = 'Obrigado por jogar Patrulha Estelar.';
        if (error) {
            title = 'O jogo parou';
            text = 'Erro: ' + error + '.';
        } else if (verdict) {
            title = status === 0 ? 'Fim do jogo gravado' : status === 2 ? 'Jogo gravado ilegível' :
                'O jogo gravado divergiu';
            text = verdict;
        }
        document.getElementById('end-title').textContent = title;
        document.getElementById('end-text').textContent = text;
        if (recording) {
            const save = document.getElementById('save');
            save.href = URL.createObjectURL(new Blob([recording], { type: 'text/plain' }));
            save.download = replayName();
            save.hidden = false;
        }
        const again = document.getElementById('again');
        again.addEventListener('click', () => location.reload());
        document.getElementById('end').hidden = false;
        again.focus();
        document.title = 'Patrulha Estelar - fim';
    }

    // The screen as the game left it, for the page's tests: each row's
    // text and each cell's console colours.
    function screen() {
        const text = [], fg = [], bg = [];
        for (let y = 0; y < kRows; ++y) {
            let row = '';
            const rowFg = [], rowBg = [];
            for (let x = 0; x < kColumns; ++x) {
                const i = 2 * (y * kColumns + x);
                row += cells[i] === 0 ? ' ' : String.fromCodePoint(cells[i]);
                rowFg.push(cells[i + 1] & 15);
                rowBg.push((cells[i + 1] >> 4) & 15);
            }
            text.push(row);
            fg.push(rowFg);
            bg.push(rowBg);
        }
        return { columns: kColumns, rows: kRows, text, fg, bg, cursorVisible: cursor.visible };
    }

    window.patrulhaPage = {
        row(y, data) {
            for (let x = 0; x < kColumns; ++x) {
                const i = 2 * (y * kColumns + x);
                if (cells[i] === data[2 * x] && cells[i + 1] === data[2 * x + 1]) continue;
                cells[i] = data[2 * x];
                cells[i + 1] = data[2 * x + 1];
                changed.push(x, y, cells[i], cells[i + 1]);
            }
        },
        // Comes last in every present: what changed goes to the drawer then.
        cursor(x, y, visible, size) {
            const moved = x !== cursor.x || y !== cursor.y || visible !== cursor.visible ||
                size !== cursor.size;
            if (moved) Object.assign(cursor, { x, y, visible, size });
            if (!changed.length && !moved) return;
            const message = {};
            if (changed.length) message.cells = Uint32Array.from(changed);
            if (moved) message.cursor = [x, y, visible, size];
            changed = [];
            drawer.postMessage(message);
        },
        nextInput() { return presses.shift(); },
        waitInput(timeoutMs) {
            return new Promise((resolve) => {
                if (presses.length) { resolve(); return; }
                const timer = setTimeout(() => { wake = null; resolve(); }, timeoutMs);
                wake = () => { clearTimeout(timer); wake = null; resolve(); };
            }).then(shown);
        },
        sleep(ms) {
            return new Promise((resolve) => setTimeout(resolve, ms)).then(shown);
        },
        now,
        // Whether the game is waiting for a key: what it drew before is
        // all on the canvas by then.
        get waitingForKey() { return wake !== null; },
        tone,
        ended: showEnd,
        replay: () => givenReplay,
        screen,
        rows: () => screen().text,
    };

    // What the game's runtime prints goes to the console of the browser's
    // tools; a failure to load or run ends the page with the reason.
    window.Module = {
        print: (text) => console.log(text),
        printErr: (text) => console.error(text),
        onAbort: (what) => showEnd(1, String(what), '', ''),
    };
}());
