// The site kept on this device, so that the game starts and plays without
// a network: a service worker (offline-worker.js, made by the build with the
// list of every file of the site) keeps each version of the site whole.
//
// A version found on a visit is fetched in the background and waits; it is
// taken at the next start, before the game is loaded, and only when no
// other page of the game is open. A game in progress never gets files of
// another version. window.siteReady says when the game may load.
'use strict';

(function() {
  const kWorker = 'offline-worker.js';
  // How long a start waits for the waiting version's answer, and then for
  // it to take over.
  const kAnswerMs = 3000;
  const kTakeOverMs = 10000;

  const workers = navigator.serviceWorker;

  const within = (ms, promise, otherwise) => Promise.race([
    promise, new Promise((resolve) => setTimeout(resolve, ms, otherwise))]);

  // Asks the waiting version to take over; resolves with whether it will.
  function askToTakeOver(waiting) {
    return within(kAnswerMs, new Promise(function(resolve) {
      const channel = new MessageChannel();
      channel.port1.onmessage = function(event) { resolve(!!event.data.taken); };
      waiting.postMessage({ask: 'take-over'}, [channel.port2]);
    }), false);
  }

  async function start() {
    if (!workers || !window.isSecureContext) return;
    try {
      const registration = await workers.getRegistration();
      const changed = new Promise(function(resolve) {
        workers.addEventListener('controllerchange', resolve, {once: true});
      });
      if (registration && registration.waiting && workers.controller &&
          await askToTakeOver(registration.waiting)) {
        // Loaded again once it has, or (should that take long) all the
        // same: a new load gets one version whole, whichever it is.
        await within(kTakeOverMs, changed);
        location.reload();
        // The page is being loaded again.
        await new Promise(function() {});
      }
    } catch (error) {
      console.warn('offline: ' + error);
    }
    // Registered again at every start: that looks for a new version.
    workers.register(kWorker).catch(function(error) {
      console.warn('offline: the site is not kept on this device: ' + error);
    });
  }

  window.siteReady = start();
})();
