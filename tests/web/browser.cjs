'use strict';
// What the page's test and its benchmark share: their options, and headless
// Chromium started with an empty profile of its own and none of the
// background connections this machine would refuse.

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

module.exports = { option, launchChromium };
