// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT
'use strict';
// The page to host, served over http://localhost from a port of its own:
// Chromium finds its manifest with both icons and no reason it could not
// be installed, its service worker comes to control the page with a cache
// named after the version the page shows, and with the network gone the
// page reloads and shows the title screen.
//
//   node install_test.cjs FOLDER [--browser /usr/bin/chromium]
//
// The server and the browser, every process of it, are gone when this ends.

const fs = require('node:fs');
const http = require('node:http');
const path = require('node:path');
const shared = require('./browser.cjs');

const folder = process.argv[2] && !process.argv[2].startsWith('--') ? path.resolve(process.argv[2]) : '';
const browserPath = shared.option('install_test', '--browser', '/usr/bin/chromium');
const kWholeRunMs = 180000;

const kTypes = {
    '.html': 'text/html; charset=utf-8', '.js': 'text/javascript', '.png': 'image/png',
    '.webmanifest': 'application/manifest+json',
};

// The folder's files, as any static web server serves them.
function serve() {
    const server = http.createServer((request, response) => {
        let name = decodeURIComponent(new URL(request.url, 'http://localhost').pathname);
        if (name.endsWith('/')) name += 'index.html';
        const file = path.join(folder, path.normalize(name));
        if (!file.startsWith(folder + path.sep) || !fs.existsSync(file) || !fs.statSync(file).isFile()) {
            response.writeHead(404).end();
            return;
        }
        response.writeHead(200, { 'Content-Type': kTypes[path.extname(file)] || 'application/octet-stream' });
        response.end(fs.readFileSync(file));
    });
    return new Promise((resolve, reject) => {
        server.on('error', reject);
        server.listen(0, '127.0.0.1', () => resolve(server));
    });
}

async function check(browser, url) {
    const page = await browser.newPage();
    const errors = [];
    page.on('pageerror', (error) => errors.push(String(error)));
    const cdp = await page.createCDPSession();
    await page.goto(url, { waitUntil: 'load' });
    await shared.waitFor(page, 'title screen', shared.titleShown);

    const controlled = await page.waitForFunction(
        () => navigator.serviceWorker.controller && navigator.serviceWorker.controller.state === 'activated',
        { timeout: shared.kDeadlineMs }).then(() => true, () => false);
    if (!controlled) throw new Error('no service worker active and controlling the page');
    console.log('ok 1 - a service worker is active and controls the page');

    const { url: manifestUrl, errors: parseErrors, data } = await cdp.send('Page.getAppManifest');
    if (!data || parseErrors.length) {
        throw new Error(`manifest ${manifestUrl}: ${data ? JSON.stringify(parseErrors) : 'none found'}`);
    }
    const manifest = JSON.parse(data);
    const sizes = manifest.icons.filter((icon) => icon.type === 'image/png' &&
        (icon.purpose || 'any').split(' ').includes('any')).map((icon) => icon.sizes);
    if (manifest.name !== 'Patrulha Estelar' || !sizes.includes('192x192') || !sizes.includes('512x512')) {
        throw new Error(`the manifest lacks its name or an icon: ${data}`);
    }
    const { installabilityErrors } = await cdp.send('Page.getInstallabilityErrors');
    if (installabilityErrors.length) {
        throw new Error(`not installable: ${JSON.stringify(installabilityErrors)}`);
    }
    console.log('ok 2 - the manifest names the game and both icons; Chromium finds it installable');

    const { about, cacheNames } = await page.evaluate(async () => ({
        about: document.getElementById('about').textContent, cacheNames: await caches.keys(),
    }));
    const version = (about.match(/^Patrulha Estelar (\S+)$/) || [])[1];
    if (!version || !cacheNames.some((name) => name.includes(` ${version}-`))) {
        throw new Error(`the about line "${about}" and the caches ${JSON.stringify(cacheNames)} disagree`);
    }
    console.log(`ok 3 - the page shows version ${version}, the cache holds that version`);
    return { page, cdp, errors };
}

async function main() {
    if (!folder || !fs.existsSync(path.join(folder, 'index.html'))) {
        console.error('usage: node install_test.cjs FOLDER (the folder holding index.html)');
        process.exit(2);
    }
    const server = await serve();
    const sockets = new Set();
    server.on('connection', (socket) => {
        sockets.add(socket);
        socket.on('close', () => sockets.delete(socket));
    });
    const stop = () => {
        server.close();
        for (const socket of sockets) socket.destroy();
    };
    const url = `http://localhost:${server.address().port}/`;
    await shared.withChromium('install_test', browserPath, kWholeRunMs, async (browser) => {
        const { page, cdp, errors } = await check(browser, url);
        // Offline both ways: the browser's network, and no server to ask.
        stop();
        await cdp.send('Network.enable');
        await cdp.send('Network.emulateNetworkConditions',
            { offline: true, latency: 0, downloadThroughput: -1, uploadThroughput: -1 });
        await page.reload({ waitUntil: 'load' });
        await shared.waitFor(page, 'title screen offline', shared.titleShown);
        console.log('ok 4 - offline, the page reloads and shows the title screen');
        if (errors.length) throw new Error(`the page reported errors: ${errors.join('; ')}`);
    }, stop);
    console.log('4 passed, 0 failed');
}

main().catch((error) => {
    console.error(`install_test: ${error && error.stack ? error.stack : error}`);
    console.log('0 passed, 1 failed');
    process.exit(1);
});
