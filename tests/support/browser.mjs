// Debian's Chromium, headless, for page tests. The flags keep it off the network and
// let it run as root.
import { chromium } from 'playwright-core';

export const chromiumPath = process.env.LUMENOR_CHROMIUM || '/usr/bin/chromium';

export function launchBrowser() {
  return chromium.launch({
    executablePath: chromiumPath,
    headless: true,
    args: [
      '--no-sandbox',
      '--disable-gpu',
      '--disable-quic',
      '--no-first-run',
      '--disable-background-networking',
      '--disable-component-update',
      '--disable-sync',
    ],
  });
}

// Where test artefacts (screenshots) go: beside the build, never compared as golden files.
export function artefactDir() {
  return process.env.LUMENOR_ARTEFACTS || '/tmp/lumenor-artefacts';
}
