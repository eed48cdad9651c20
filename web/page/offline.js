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
  // How long a start waits for a waiting version to take over.
  const kTakeOverMs = 3000;

  const workers = navigator.serviceWorker;

  // Asks the waiting version to take over; resolves with whether it did.
  function takeOver(waiting) {
    return new Promise(function(resolve) {
      const timer = setTimeout(function() { resolve(false); }, kTakeOverMs);
      workers.addEventListener('controllerchange', function() {
        clearTimeout(timer);
        resolve(true);
      }, {once: true});
      const channel = new MessageChannel();
      channel.port1.onmessage = function(event) {
        if (!event.data.taken) {
          clearTimeout(timer);
          resolve(false);
        }
      };
      waiting.postMessage({ask: 'take-over'}, [channel.port2]);
    });
  }

  async function start() {
    if (!workers || !window.isSecureContext) return;
    try {
      const registration = await workers.getRegistration();
      if (registration && registration.waiting && workers.controller &&
          await takeOver(registration.waiting)) {
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
