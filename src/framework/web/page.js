// The page around the form: it starts the program as a process of its own in a
// folder of the browser's memory, as a desktop starts it in a folder, and keeps
// that folder's output.txt where it outlives the tab (the folder the user chose,
// or else the browser's storage). Its bar opens another input.txt (a file chooser,
// or a file dropped anywhere on the page), chooses a folder where the browser can
// work in one, and downloads output.txt and the session as a value change dump.
'use strict';

const RUN_FOLDER = '/run';
const OUTPUT_PATH = RUN_FOLDER + '/output.txt';
const O_TRUNC = 0o1000;
const STORE = 'preprocessor-sim/output.txt';
const STORE_BLOCK = 4096;  // characters per stored block: a step rewrites one block

const bar = {
  source: document.getElementById('source'),
  notice: document.getElementById('notice'),
  previous: document.getElementById('download-previous'),
};
let running = null;  // the program now running: its Module

function say(text) {
  bar.notice.textContent = text;
}

function latin1(bytes) {
  let text = '';
  for (let i = 0; i < bytes.length; i += 8192)
    text += String.fromCharCode.apply(null, bytes.subarray(i, i + 8192));
  return text;
}

function bytesOf(text) {
  return Uint8Array.from(text, c => c.charCodeAt(0));
}

// --- Where output.txt is kept ------------------------------------------------------

// --- One tab at a time keeps its output.txt in the browser's storage -----------------

// The storage is the browser's, shared by every tab of the page: were two tabs to
// store their runs there, each would overwrite the other's blocks, and what a
// reload offered would be pieces of two runs. So a tab takes the storage for
// itself (a lock the browser frees when the tab closes, or, where there are no
// locks, a claim it renews every second) and only that tab stores; the others
// keep their output.txt in memory, and their bar says so.
const STORAGE_LOCK = 'preprocessor-sim/storage';
const CLAIM = 'preprocessor-sim/claim', CLAIM_LIFE = 5000;
const tab = `${Date.now()}-${Math.random()}`;
let storageHeld = null;  // not known until the claim is answered

let claiming = null;  // a claim under way

// Resolves to whether this tab holds the storage, claiming it if it can.
function holdStorage() {
  if (storageHeld) return Promise.resolve(true);
  if (!claiming) claiming = claimStorage().finally(() => { claiming = null; });
  return claiming;
}

function claimStorage() {
  if (navigator.locks) {
    return new Promise(resolve => {
      navigator.locks.request(STORAGE_LOCK, { ifAvailable: true }, lock => {
        storageHeld = !!lock;
        resolve(storageHeld);
        return lock && new Promise(() => {});  // held for the page's life
      }).catch(() => resolve(false));
    });
  }
  try {
    const claim = JSON.parse(localStorage.getItem(CLAIM) || 'null');
    if (claim && claim.tab !== tab && claim.until > Date.now()) return Promise.resolve(false);
    const renew = () => localStorage.setItem(CLAIM, JSON.stringify({ tab, until: Date.now() + CLAIM_LIFE }));
    renew();
    setInterval(renew, 1000);
    addEventListener('pagehide', () => localStorage.removeItem(CLAIM));
    storageHeld = true;
  } catch (error) {
    storageHeld = false;
  }
  return Promise.resolve(storageHeld);
}

// The browser's storage: the run's output.txt, stored block by block as it grows,
// so a step stores a few bytes, not the file. The previous run's stays until this
// run writes its first value. Only the tab that holds the storage stores.
class StoredOutput {
  static read() {
    try {
      const blocks = Number(localStorage.getItem(STORE + '/blocks')) || 0;
      if (!blocks) return null;
      let text = '';
      for (let i = 0; i < blocks; ++i) text += localStorage.getItem(`${STORE}/${i}`) || '';
      return bytesOf(text);
    } catch (error) {
      return null;
    }
  }

  static clear() {
    const blocks = Number(localStorage.getItem(STORE + '/blocks')) || 0;
    localStorage.removeItem(STORE + '/blocks');
    for (let i = 0; i < blocks; ++i) localStorage.removeItem(`${STORE}/${i}`);
  }

  constructor() {
    this.written = false;
    this.failed = false;
    this.unclaimed = [];  // what was written before the claim was answered
  }

  // The claim is answered: what waited for it is stored, or not.
  claimed() {
    const waiting = this.unclaimed.splice(0);
    if (storageHeld) for (const bytes of waiting) this.append(bytes);
  }

  begin() {
    this.written = false;
  }

  append(bytes) {
    if (storageHeld === null) this.unclaimed.push(bytes);
    if (this.failed || !storageHeld) return;
    try {
      if (!this.written) {
        StoredOutput.clear();
        this.written = true;
        this.blocks = 0;
        this.block = '';
        bar.previous.hidden = true;
      }
      this.block += latin1(bytes);
      localStorage.setItem(`${STORE}/${this.blocks}`, this.block);
      localStorage.setItem(STORE + '/blocks', String(this.blocks + 1));
      if (this.block.length >= STORE_BLOCK) {
        ++this.blocks;
        this.block = '';
      }
    } catch (error) {
      this.failed = true;
      say('Хранилище браузера не принимает output.txt: он сохранится только до закрытия ' +
          'страницы. Скачайте его.');
    }
  }
}

// A folder the user chose (the File System Access API): every value goes to the
// output.txt there at its step. The writes are made one after another, and values
// that come while one is being made go together in the next.
class FolderOutput {
  constructor(file) {
    this.file = file;
    this.size = 0;
    this.waiting = [];
    this.writing = null;
  }

  begin() {
    this.queue({ truncate: true });
  }

  append(bytes) {
    this.queue({ bytes });
  }

  queue(change) {
    this.waiting.push(change);
    if (!this.writing) this.writing = this.writeWaiting();
  }

  async writeWaiting() {
    while (this.waiting.length) {
      const changes = this.waiting.splice(0);
      const truncate = changes.some(change => change.truncate);
      const after = changes.slice(changes.findLastIndex(change => change.truncate) + 1);
      try {
        const writable = await this.file.createWritable({ keepExistingData: !truncate });
        if (truncate) this.size = 0;
        const bytes = new Blob(after.map(change => change.bytes));
        if (bytes.size) await writable.write({ type: 'write', position: this.size, data: bytes });
        await writable.close();
        this.size += bytes.size;
      } catch (error) {
        say(`Ошибка записи в файл OUTPUT.TXT в выбранной папке (${error.message})`);
      }
    }
    this.writing = null;
  }
}

// Passes on to `output` what the program writes to its output.txt: opening it
// empties it, each write adds to it.
function mirrorOutput(FS, output) {
  const open = FS.open;
  const write = FS.write;
  FS.open = function (path, flags, ...rest) {
    const stream = open.call(this, path, flags, ...rest);
    if (stream.path === OUTPUT_PATH) {
      stream.mirrored = true;
      if (typeof flags === 'string' ? flags.includes('w') : flags & O_TRUNC) output.begin();
    }
    return stream;
  };
  FS.write = function (stream, buffer, offset, length, ...rest) {
    const written = write.call(this, stream, buffer, offset, length, ...rest);
    if (stream.mirrored && written > 0)
      output.append(new Uint8Array(buffer.buffer, buffer.byteOffset + offset, written).slice());
    return written;
  };
}

// --- Starting the program -----------------------------------------------------------

// Starts the program anew, as a new process in a new folder holding `input` as
// its input.txt (none if null). `output` keeps what it writes to output.txt; with
// `outputBlocked` the folder's output.txt cannot be opened.
async function start({ input, output, outputBlocked = false, source }) {
  if (running) running.document.stop();
  running = null;
  Diagram.attach(null);
  bar.source.textContent = source;
  say('');
  running = await PreprocessorSim({
    arguments: [RUN_FOLDER],
    formHost: document.getElementById('form-host'),
    preRun: [module => {
      const FS = module.FS;
      FS.mkdir(RUN_FOLDER);
      if (input) FS.writeFile(RUN_FOLDER + '/input.txt', input);
      if (outputBlocked) FS.mkdir(OUTPUT_PATH);
      mirrorOutput(FS, output);
    }],
  });
  Diagram.attach(running);
  const explained = stepsExplained(input, outputBlocked);
  say(explained);
  performance.mark('preprocessor-started');
  window.dispatchEvent(new Event('preprocessor-started'));
  // Ready to step already: the claim on the storage is answered meanwhile.
  if (!(output instanceof StoredOutput)) return;
  const program = running;
  const held = await holdStorage();
  output.claimed();
  if (!held && running === program) {
    say(['Браузер хранит output.txt другой вкладки этой страницы: output.txt этой ' +
         'вкладки останется только до её закрытия. Скачайте его.', explained].filter(Boolean).join(' '));
  }
}

// What the bar says of a run that cannot step, or steps on nothing (as on the
// desktop, a run on an input without a number steps on zeros); '' otherwise.
function stepsExplained(input, outputBlocked) {
  if (document.getElementById('Button1').disabled) {
    return outputBlocked ? 'Шаги недоступны: output.txt в выбранной папке нельзя записать.'
                         : 'Шаги недоступны: в выбранной папке нет файла input.txt.';
  }
  let at = 0;
  while (at < input.length && [9, 10, 11, 12, 13, 32].includes(input[at])) ++at;
  const digit = input[at + (input[at] === 43 || input[at] === 45 ? 1 : 0)];
  return digit >= 48 && digit <= 57 ? ''
    : 'В этом input.txt нет ни одной пары чисел: шаги идут на нулях, как в программе на компьютере.';
}

async function startWithFile(file) {
  say(`Чтение ${file.name}…`);
  const input = new Uint8Array(await file.arrayBuffer());
  await start({ input, output: new StoredOutput(), source: `input.txt: ${file.name}` });
}

// As the desktop program started in the folder: input.txt read there, output.txt
// created or emptied there once input.txt has opened.
async function startInFolder(folder) {
  let input = null;
  let file = null;
  try {
    input = new Uint8Array(await (await (await folder.getFileHandle('input.txt')).getFile())
      .arrayBuffer());
    file = await folder.getFileHandle('output.txt', { create: true });
  } catch (error) {
    // No input.txt (the program says so), or an output.txt that cannot be written.
  }
  await start({ input, output: file ? new FolderOutput(file) : new StoredOutput(),
                outputBlocked: input !== null && !file, source: `Папка: ${folder.name}` });
}

function download(bytes, name) {
  const link = document.createElement('a');
  link.href = URL.createObjectURL(new Blob([bytes], { type: 'text/plain' }));
  link.download = name;
  document.body.appendChild(link);
  link.click();
  link.remove();
  setTimeout(() => URL.revokeObjectURL(link.href), 60000);
}

// The running program's output.txt, as it stands; null if it has none.
function currentOutput() {
  try {
    return running.FS.readFile(OUTPUT_PATH);
  } catch (error) {
    return null;
  }
}

// --- The bar ---------------------------------------------------------------------------

const chooser = document.getElementById('input-file');
document.getElementById('open-input').addEventListener('click', () => chooser.click());
chooser.addEventListener('change', () => {
  if (chooser.files.length) startWithFile(chooser.files[0]);
  chooser.value = '';
});

document.addEventListener('dragover', event => event.preventDefault());
document.addEventListener('drop', event => {
  event.preventDefault();
  const file = event.dataTransfer.files[0];
  if (file) startWithFile(file);
});

const chooseFolder = document.getElementById('choose-folder');
if (window.showDirectoryPicker) {
  chooseFolder.hidden = false;
  chooseFolder.addEventListener('click', async () => {
    let folder;
    try {
      folder = await window.showDirectoryPicker({ id: 'preprocessor-sim', mode: 'readwrite' });
    } catch (error) {
      return;  // cancelled
    }
    await startInFolder(folder);
  });
}

document.getElementById('download-output').addEventListener('click', () => {
  const output = currentOutput();
  if (output) download(output, 'output.txt');
  else say('output.txt не создан: файл input.txt не открылся.');
});

document.getElementById('download-vcd').addEventListener('click', () => {
  if (running) download(running.UTF8ToString(running._WebSessionDump()), 'preprocessor-sim.vcd');
});

// The last session's output.txt, offered by the tab that keeps it: in the others
// it is that tab's run, not a past one.
holdStorage().then(held => {
  const previous = held && StoredOutput.read();
  if (!previous) return;
  bar.previous.hidden = false;
  bar.previous.addEventListener('click', () => download(previous, 'output.txt'));
});

// On paper: the memo whole, and the diagram in its light inks.
addEventListener('beforeprint', () => {
  const memo = document.getElementById('Memo1');
  document.getElementById('memo-print').textContent = memo ? memo.value + (memo.aside || '') : '';
  document.documentElement.classList.add('printing');
  Diagram.restyle();
});
addEventListener('afterprint', () => {
  document.documentElement.classList.remove('printing');
  Diagram.restyle();
});

start({ input: bytesOf(WORKED_EXAMPLE), output: new StoredOutput(),
        source: 'input.txt: пример из комплекта' });
