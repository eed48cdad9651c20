// The page can be installed: Chromium finds no installability error in its
// manifest and service worker, and every icon the manifest names is a PNG
// of the size it says. Chromium's own protocol answers this, so the case
// runs there only (only: 'chromium').
'use strict';

const web = require('../driver');

web.runCase('install', async (t) => {
  const page = await web.openPage(t, t.browser, false);
  await page.waitForFunction(() => navigator.serviceWorker.controller !== null,
                             {timeout: web.kWait});
  const session = await page.createCDPSession();
  const {installabilityErrors} = await session.send('Page.getInstallabilityErrors');
  t.check('Chromium finds the page installable', installabilityErrors.length === 0,
          JSON.stringify(installabilityErrors));
  const manifest = await session.send('Page.getAppManifest');
  t.check('the manifest reads without errors', manifest.errors.length === 0,
          JSON.stringify(manifest.errors));

  const icons = await page.evaluate(async () => {
    const facts = await (await fetch('manifest.webmanifest')).json();
    return Promise.all(facts.icons.map(async (icon) => {
      const response = await fetch(icon.src);
      const image = await createImageBitmap(await response.blob());
      return {purpose: icon.purpose, said: icon.sizes, type: response.headers.get('content-type'),
              size: image.width + 'x' + image.height};
    }));
  });
  t.check('every icon has the size the manifest says',
          icons.every((icon) => icon.size === icon.said && icon.type === 'image/png'),
          JSON.stringify(icons));
  for (const size of ['192x192', '512x512']) {
    t.check('an icon of ' + size, icons.some((icon) => icon.size === size && icon.purpose === 'any'));
  }
  t.check('a maskable icon', icons.some((icon) => icon.purpose === 'maskable'));
});
