// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT
// The hosted page's service worker: it keeps every file the page needs in
// a cache named after the game's version and the files' contents, answers
// from that cache before the network, so that after one visit the page
// starts and plays with no network, and drops what older copies of this
// page left. make_site.mjs writes in the cache's name and its files.
'use strict';

// Caches belong to the whole site: the scope in the name keeps copies of
// the page hosted at other paths of the same site out of each other's way.
const kPrefix = 'patrulha ' + self.registration.scope + ' ';
const kCache = kPrefix + '@CACHE@';
const kFiles = ['@FILES@'];

self.addEventListener('install', (event) => {
    // From the server itself: the browser's own cache may hold an older copy.
    const requests = kFiles.map((file) => new Request(file, { cache: 'reload' }));
    event.waitUntil(caches.open(kCache)
        .then((cache) => cache.addAll(requests))
        // The page holds no state a newer copy could break: the new one
        // takes over at once, the page that installed it included.
        .then(() => self.skipWaiting()));
});

self.addEventListener('activate', (event) => {
    event.waitUntil(caches.keys()
        .then((names) => Promise.all(names
            .filter((name) => name.startsWith(kPrefix) && name !== kCache)
            .map((name) => caches.delete(name))))
        .then(() => self.clients.claim()));
});

self.addEventListener('fetch', (event) => {
    const request = event.request;
    if (request.method !== 'GET' || new URL(request.url).origin !== self.location.origin) return;
    const page = request.mode === 'navigate';
    event.respondWith((async () => {
        const cache = await caches.open(kCache);
        // The page opened with a query (from the home screen, a shared
        // link) is still the page.
        const kept = await cache.match(request, { ignoreSearch: page });
        if (kept) return kept;
        try {
            return await fetch(request);
        } catch (error) {
            const start = page && await cache.match('./');
            if (start) return start;
            throw error;
        }
    })());
});
