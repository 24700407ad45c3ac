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

// The browser's storage: the run's output.txt, stored block by block as it grows,
// so a step stores a few bytes, not the file. The previous run's stays until this
// run writes its first value.
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
  }

  begin() {
    this.written = false;
  }

  append(bytes) {
    if (this.failed) return;
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
  performance.mark('preprocessor-started');
  window.dispatchEvent(new Event('preprocessor-started'));
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

const previous = StoredOutput.read();
if (previous) {
  bar.previous.hidden = false;
  bar.previous.addEventListener('click', () => download(previous, 'output.txt'));
}

start({ input: bytesOf(WORKED_EXAMPLE), output: new StoredOutput(),
        source: 'input.txt: пример из комплекта' });
