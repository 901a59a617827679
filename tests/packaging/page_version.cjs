// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT
'use strict';
// Whether the page, opened from disk in headless Chromium, shows the
// version among its words (its footer or about line). Exit status 0 when
// it does within the deadline, 1 otherwise, saying what it showed.
//
//   node page_version.cjs PAGE.html VERSION [--browser /usr/bin/chromium]

const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const url = require('node:url');
const shared = require('../web/browser.cjs');

const [pagePath, version] = process.argv.slice(2);
const browserPath = shared.option('page_version', '--browser', '/usr/bin/chromium');
const kDeadlineMs = 60000;

async function main() {
    const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'patrulha-version-'));
    const browser = await shared.launchChromium(browserPath, profile);
    try {
        const page = await browser.newPage();
        await page.goto(url.pathToFileURL(path.resolve(pagePath)).href);
        const words = new RegExp(`(^|[^0-9.])${version.replace(/\./g, '\\.')}([^0-9.]|$)`);
        try {
            await page.waitForFunction((source) => new RegExp(source).test(document.body.innerText),
                { timeout: kDeadlineMs }, words.source);
            console.log(`the page shows version ${version}`);
            return 0;
        } catch (e) {
            const text = await page.evaluate(() => document.body.innerText);
            console.error(`the page does not show version ${version}; its text:\n${text}`);
            return 1;
        }
    } finally {
        await browser.close();
        fs.rmSync(profile, { recursive: true, force: true });
    }
}

main().then((status) => process.exit(status), (e) => {
    console.error(e);
    process.exit(1);
});
