import { takePosted } from '../support/page_harness.mjs';

// A realistic state for the controller page: three displays (one built in, two of the same
// model), a mode list with scaled and fractional-rate modes, profiles and a live remote.
function display(id, name, isBuiltin, [pointWidth, pointHeight], [pixelWidth, pixelHeight], refreshHz) {
  return { id, name, isBuiltin, currentMode: { pointWidth, pointHeight, pixelWidth, pixelHeight, refreshHz } };
}

export const displays = [
  display(67, 'Built-in Display', true, [1440, 900], [2880, 1800], 60),
  display(412, 'PA-32 Projector', false, [1920, 1080], [1920, 1080], 59.94),
  display(413, 'PA-32 Projector', false, [3840, 2160], [3840, 2160], 50),
];

function mode(id, pw, ph, hz, extra = {}) {
  return {
    id,
    pointWidth: extra.pointWidth ?? pw,
    pointHeight: extra.pointHeight ?? ph,
    pixelWidth: pw,
    pixelHeight: ph,
    refreshHz: hz,
    isCurrent: extra.isCurrent ?? false,
    isNative: extra.isNative ?? false,
    scaled: (extra.pointWidth ?? pw) !== pw,
  };
}

export const modes = [
  mode(101, 3840, 2160, 60, { isNative: true }),
  mode(102, 3840, 2160, 50),
  mode(103, 3840, 2160, 30),
  mode(104, 3840, 2160, 60, { pointWidth: 1920, pointHeight: 1080 }),
  mode(105, 2560, 1440, 60),
  mode(106, 1920, 1080, 60),
  mode(107, 1920, 1080, 59.94, { isCurrent: true }),
  mode(108, 1920, 1080, 50),
  mode(109, 1920, 1080, 24),
  mode(110, 1920, 1080, 23.976),
  mode(111, 1280, 720, 60),
  mode(112, 1280, 720, 50),
  mode(113, 1024, 768, 60),
];

export const profiles = ['Main hall', 'Rehearsal 50 Hz', 'Foyer screens'];

// A QR-like symbol (finder squares, made-up modules) standing in for the remote's code.
export const qrDataUrl =
  'data:image/png;base64,iVBORw0KGgoAAAANSUhEUgAAAGQAAABkCAAAAABVicqIAAAA5klEQVR42u3aQQ7CMAxE0dz/0rBFkSceO0kR6HeFiNy3sBscl/F64BogIH+CjMWl1p04kD0kTNr0/efN3TiQPSRK7FwcCpNxINeQrABAvoOodZB7iLtBVuJA+kjWSKiN8mi3AmI33NmGeaSrBwkT7yAywerBBNlCouBs08yKA6SHRMl3kjsXRPrEg5QRVQhu4wdyHqneqF1dIBbSGmImhySQPmI1zsFnhbSGzyClg2n2wxVtpCBnkGxAI5O7OCSB3EWq6yD3kMqQDeQsshxYJg24hEHaSPUFszNYAOkjj/wRAwTkN5E3IQNn+EsxyQ8AAAAASUVORK5CYII=';

export async function fillState(page) {
  await page.evaluate(({ displays, modes, profiles, qrDataUrl }) => {
    window.displaysChanged(displays);
    window.syncSelections(412, 412, ['16:9', '4:3'], 1.5);
    window.modesChanged(modes, true);
    window.patternChanged('smpte');
    window.outputVisibilityChanged(true);
    window.infoVisibilityChanged(false);
    window.profilesChanged(profiles);
    window.frameStatus(59.94, 0, true);
    window.remoteStatus({ on: true, requested: true, url: 'http://192.168.1.40:50123/?pin=042917', pin: '042917', qr: qrDataUrl });
  }, { displays, modes, profiles, qrDataUrl });
}

// The controller page, opened with `open` (see pagesInOneBrowser) at `size`, in the state above
// with nothing posted yet.
export async function controllerPage(open, size = {}) {
  const opened = await open('controller.html', size);
  await fillState(opened.page);
  await takePosted(opened.page);
  return opened;
}
