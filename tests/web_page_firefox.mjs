// The web page in Firefox (Debian's firefox-esr), driven for real with
// puppeteer-core over WebDriver BiDi, opened from disk: the worked example
// stepped by Return and by clicks, every label and the memo after each step
// against the native runner's trace; output.txt downloaded and kept over a
// reload; the keyboard alone; an input opened with the file chooser and stepped
// against the runner; two tabs, of which one keeps its output.txt in the
// browser's storage; and the page's layout on a phone and at 200 % zoom.
//
// usage: node web_page_firefox.mjs FIREFOX PAGE NATIVE_BATCH INPUT SECOND_INPUT WORK_DIR
import { execFileSync } from 'node:child_process';
import { mkdirSync, readFileSync, rmSync } from 'node:fs';
import { join, resolve } from 'node:path';
import { pathToFileURL } from 'node:url';
import puppeteer from 'puppeteer-core';

const [firefox, pagePath, nativeBatch, inputPath, secondInput, work] = process.argv.slice(2);
const pageUrl = pathToFileURL(resolve(pagePath)).href;
const REGISTERS = {
  FR1: 'Minuend', FR2: 'Subtrahend', FRM1: 'Difference', FROUT: 'WindowSum',
  ...Object.fromEntries(Array.from({ length: 11 }, (_, i) => [`FRT${i + 1}`, `DelayLine${i}`])),
};
const failures = [];

function check(condition, message) {
  if (!condition) {
    failures.push(message);
    console.log('FAIL:', message);
  }
  return condition;
}

async function waitFor(what, timeout = 10000) {
  const deadline = Date.now() + timeout;
  for (;;) {
    const result = await what();
    if (result || Date.now() > deadline) return result;
    await new Promise(resolve => setTimeout(resolve, 20));
  }
}

// After each of `steps` steps on `input`: what every value label and the memo
// show, from the native runner's trace; and the runner's output.txt.
function expectedStates(input, steps) {
  const trace = join(work, 'trace.csv'), output = join(work, 'native-output.txt');
  execFileSync(nativeBatch, ['--steps', String(steps), '--input', input, '--output', output,
                             '--trace', trace]);
  const [header, ...rows] = readFileSync(trace, 'latin1').trim().split('\n');
  const names = header.split(',');
  let memo = ' ';
  const states = rows.map(row => {
    const values = Object.fromEntries(row.split(',').map((value, i) => [names[i], value]));
    memo += values.Written + ' ';
    return { ...Object.fromEntries(Object.entries(REGISTERS).map(([l, r]) => [l, values[r]])),
             Memo1: memo };
  });
  return [states, readFileSync(output, 'latin1')];
}

function shown(page) {
  return page.evaluate(labels => {
    const values = Object.fromEntries(labels.map(name => [name, document.getElementById(name).textContent]));
    values.Memo1 = document.getElementById('Memo1').value;
    return values;
  }, Object.keys(REGISTERS));
}

const same = (a, b) => JSON.stringify(a) === JSON.stringify(b);

async function load(page) {
  await page.goto(pageUrl);
  await page.waitForSelector('#Button1');
}

// Steps once per state, the first by Return, the others by clicks, and compares.
async function stepAndCompare(page, states, what, firstByReturn = false) {
  for (const [index, state] of states.entries()) {
    if (index === 0 && firstByReturn) await page.keyboard.press('Enter');
    else await page.click('#Button1');
    if (!await waitFor(async () => same(await shown(page), state), 2000)) {
      return check(false, `${what}, step ${index + 1}: shown ${JSON.stringify(await shown(page))}`);
    }
  }
  return true;
}

// What a click on a download button hands the browser, as the page makes it.
function downloaded(page, button) {
  return page.evaluate(id => new Promise(done => {
    const create = URL.createObjectURL;
    URL.createObjectURL = blob => {
      URL.createObjectURL = create;
      blob.text().then(done);
      return create.call(URL, blob);
    };
    document.getElementById(id).click();
  }), button);
}

async function workedExample(page) {
  const [states, native] = expectedStates(inputPath, 16);
  const right = await stepAndCompare(page, states, 'the worked example', true);
  console.log(`16 steps shown as the native trace: ${right}`);
  const output = await downloaded(page, 'download-output');
  check(output === native, `output.txt downloaded: ${JSON.stringify(output)}`);
  // Kept over a reload, offered until the new run writes.
  await load(page);
  const kept = await waitFor(() => page.$eval('#download-previous', e => !e.hidden), 3000) &&
               await downloaded(page, 'download-previous');
  check(kept === native, `the previous session's output.txt after a reload: ${JSON.stringify(kept)}`);
}

// Tab goes through the buttons to the memo; Return on the page steps. (Under
// automation a Tab past the last control leaves the document, where keys do
// nothing: the focus is put back first.)
async function keyboardAlone(page) {
  await load(page);
  const order = [];
  for (let i = 0; i < 3; ++i) {
    order.push(await page.evaluate(() => document.activeElement.id));
    await page.keyboard.press('Tab');
  }
  check(same(order, ['Button1', 'Button2', 'Memo1']), `Tab goes through ${order}`);
  await page.bringToFront();
  await page.evaluate(() => { window.focus(); document.activeElement.blur(); });
  await page.keyboard.press('Enter');
  check(await waitFor(async () => (await shown(page)).Memo1 === ' 0 '), 'Return on the page made no step');
  await page.focus('#Button1');
  await page.keyboard.press(' ');
  check(await waitFor(async () => (await shown(page)).Memo1 === ' 0 0 '),
        `Space on the button: the memo holds ${JSON.stringify((await shown(page)).Memo1)}`);
}

async function otherInput(page) {
  const [states] = expectedStates(secondInput, 12);
  const chooser = await page.$('#input-file');
  const started = page.evaluate(() => new Promise(done =>
    addEventListener('preprocessor-started', () => done(true), { once: true })));
  await chooser.uploadFile(resolve(secondInput));
  if (!check(await Promise.race([started, new Promise(done => setTimeout(() => done(false), 20000))]),
             'the chooser did not start the run again')) return;
  await stepAndCompare(page, states, 'an input from the chooser');
}

// Two tabs: the first keeps its output.txt in the browser's storage, the second
// says it cannot; after a reload the first offers its own run's output.txt whole.
async function twoTabs(browser, first) {
  await load(first);
  const second = await browser.newPage();
  await load(second);
  const [, native] = expectedStates(inputPath, 6);
  // (Clicked from script: a pointer's click waits for a frame that a tab in the
  // background does not draw.)
  const click = page => page.$eval('#Button1', button => button.click());
  for (let step = 0; step < 6; ++step) {
    await click(first);
    await click(second);
    await click(second);
  }
  const notice = await second.$eval('#notice', e => e.textContent);
  check(notice.includes('другой вкладки'), `the second tab's bar: ${JSON.stringify(notice)}`);
  await load(first);
  const kept = await waitFor(() => first.$eval('#download-previous', e => !e.hidden), 3000) &&
               await downloaded(first, 'download-previous');
  check(kept === native, `after two tabs stepped, the first's previous output.txt: ${JSON.stringify(kept)}`);
  await second.close();
}

// Narrower than the form, on a phone and at 200 % zoom on a 1366 x 768 laptop:
// nothing to scroll sideways, every value as large as at full width, every
// control at least 24 pixels square, the group boxes one under another and the
// delay line's cells in order.
async function narrow(page, width, height, scale, what) {
  await page.setViewport({ width, height, deviceScaleFactor: scale });
  await load(page);
  for (let i = 0; i < 3; ++i) await page.click('#Button1');
  const layout = await page.evaluate(() => {
    const box = id => document.getElementById(id).getBoundingClientRect();
    const cells = Array.from({ length: 11 }, (_, i) => box(`FRT${i + 1}`));
    const controls = [...document.querySelectorAll('button, input, textarea, canvas')]
      .filter(e => e.offsetParent && e.type !== 'file')
      .map(e => [e.id || e.textContent, e.getBoundingClientRect()])
      .filter(([, r]) => r.width < 24 || r.height < 24).map(([name]) => name);
    return {
      sideways: document.documentElement.scrollWidth - innerWidth,
      valueSize: getComputedStyle(document.getElementById('FR1')).fontSize,
      stacked: box('GroupBox1').bottom <= box('GroupBox2').top && box('GroupBox2').bottom <= box('GroupBox3').top,
      inOrder: cells.every((cell, i) => !i || cell.top > cells[i - 1].top + 1 ||
                                        (Math.abs(cell.top - cells[i - 1].top) <= 1 && cell.left > cells[i - 1].left)),
      small: controls,
    };
  });
  check(layout.sideways <= 0 && layout.valueSize === '27px' && layout.stacked && layout.inOrder &&
        !layout.small.length, `${what}: ${JSON.stringify(layout)}`);
  await page.setViewport({ width: 1200, height: 700, deviceScaleFactor: 1 });
}

// A fresh profile each run: nothing stored by a run before.
rmSync(work, { recursive: true, force: true });
mkdirSync(work, { recursive: true });
const browser = await puppeteer.launch({
  browser: 'firefox', protocol: 'webDriverBiDi', executablePath: firefox, headless: true,
  userDataDir: join(work, 'profile'),
  // Downloads go to the work folder without the downloads panel, which would
  // take the focus from the page.
  extraPrefsFirefox: {
    'browser.download.folderList': 2, 'browser.download.dir': join(work, 'downloads'),
    'browser.download.useDownloadDir': true, 'browser.download.alwaysOpenPanel': false,
  },
});
try {
  const page = await browser.newPage();
  await page.setViewport({ width: 1200, height: 700 });
  await load(page);
  for (const scenario of [workedExample, keyboardAlone, otherInput]) {
    console.log(`-- firefox: ${scenario.name}`);
    await scenario(page);
  }
  console.log('-- firefox: twoTabs');
  await twoTabs(browser, page);
  console.log('-- firefox: narrow');
  await narrow(page, 390, 844, 3, 'a phone, 390 pixels wide');
  await narrow(page, 683, 384, 2, 'a 1366 x 768 laptop at 200 %');
} finally {
  await browser.close();
}
console.log(failures.length ? 'FAIL' : 'PASS');
process.exit(failures.length ? 1 : 0);
