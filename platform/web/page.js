// The page's half of the browser backend (web_backend.cpp): the terminal
// of 80 x 42 in the console's colours, the input events waiting for the
// game, the tones, and the line shown once the game has ended.
(function () {
    'use strict';

    const kColumns = 80;
    const kRows = 42;
    const kMostWaitingEvents = 256;
    // Tones are dropped rather than queued further than this ahead.
    const kMostToneBacklogS = 0.5;

    // The console's 16 colours, in ANSI order (red is 1).
    const theme = {
        background: '#000000', foreground: '#c0c0c0',
        cursor: '#c0c0c0', cursorAccent: '#000000',
        black: '#000000', red: '#800000', green: '#008000', yellow: '#808000',
        blue: '#000080', magenta: '#800080', cyan: '#008080', white: '#c0c0c0',
        brightBlack: '#808080', brightRed: '#ff0000', brightGreen: '#00ff00',
        brightYellow: '#ffff00', brightBlue: '#0000ff', brightMagenta: '#ff00ff',
        brightCyan: '#00ffff', brightWhite: '#ffffff',
    };

    const kBaseFontSize = 16;
    const terminal = new Terminal({
        cols: kColumns, rows: kRows, scrollback: 0, theme,
        fontFamily: '"DejaVu Sans Mono", "Cascadia Mono", Consolas, "Liberation Mono", monospace',
        fontSize: kBaseFontSize, lineHeight: 1, letterSpacing: 0,
        cursorBlink: false, cursorStyle: 'underline',
        drawBoldTextInBrightColors: false, minimumContrastRatio: 1,
    });
    const holder = document.getElementById('terminal');
    const endLine = document.getElementById('end');
    terminal.open(holder);

    // ==== Size: the whole console, as large as the window allows ====

    function screenSize() {
        const screen = holder.querySelector('.xterm-screen');
        return { width: screen.offsetWidth, height: screen.offsetHeight };
    }

    function fit() {
        const room = {
            width: window.innerWidth - 8,
            height: window.innerHeight - endLine.offsetHeight - 16,
        };
        terminal.options.fontSize = kBaseFontSize;
        const base = screenSize();
        if (!base.width || !base.height) return;
        let size = Math.max(6, Math.floor(kBaseFontSize *
            Math.min(room.width / base.width, room.height / base.height)));
        terminal.options.fontSize = size;
        // Glyph metrics do not scale exactly: step down until it fits.
        while (size > 6) {
            const now = screenSize();
            if (now.width <= room.width && now.height <= room.height) break;
            terminal.options.fontSize = --size;
        }
    }
    fit();
    window.addEventListener('resize', fit);
    terminal.focus();

    // ==== Keys: each input event is what one key press sent ====

    const waiting = [];
    let wake = null;
    let ended = false;

    terminal.onData((data) => {
        if (ended || waiting.length >= kMostWaitingEvents) return;
        waiting.push(data);
        if (wake) wake();
    });

    // ==== Sound: browsers let a page sound only after the player's first key ====

    let audio = null;
    let toneFree = 0;

    function startAudio() {
        const Context = window.AudioContext || window.webkitAudioContext;
        if (!Context) return;
        if (!audio) audio = new Context();
        if (audio.state === 'suspended') audio.resume();
    }
    document.addEventListener('keydown', startAudio, true);
    document.addEventListener('pointerdown', startAudio, true);

    function tone(frequency, durationMs) {
        if (!audio || audio.state !== 'running' || durationMs === 0) return;
        const now = audio.currentTime;
        const start = Math.max(now, toneFree);
        if (start - now > kMostToneBacklogS) return;
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

    // ==== The end ====

    function showEnd(status, error) {
        ended = true;
        waiting.length = 0;
        endLine.textContent = error ? 'Erro: ' + error + '. ' : 'Fim. ';
        const again = document.createElement('a');
        again.href = '#';
        again.textContent = 'Jogar de novo';
        again.addEventListener('click', (event) => {
            event.preventDefault();
            location.reload();
        });
        endLine.append(again, ' (ou recarregue a página).');
        terminal.blur();
        document.title = 'Patrulha Estelar - fim';
    }

    window.patrulhaPage = {
        terminal,
        write(bytes) { terminal.write(bytes); },
        nextInput() { return waiting.shift(); },
        waitInput(timeoutMs) {
            return new Promise((resolve) => {
                if (waiting.length) { resolve(); return; }
                const timer = setTimeout(() => { wake = null; resolve(); }, timeoutMs);
                wake = () => { clearTimeout(timer); wake = null; resolve(); };
            });
        },
        // Whether the game is waiting for a key: what it drew before is
        // all with the terminal by then.
        get waitingForKey() { return wake !== null; },
        tone,
        ended: showEnd,
    };

    // What the game's runtime prints goes to the console of the browser's
    // tools; a failure to load or run ends the page with the reason.
    window.Module = {
        print: (text) => console.log(text),
        printErr: (text) => console.error(text),
        onAbort: (what) => showEnd(1, String(what)),
    };
}());
