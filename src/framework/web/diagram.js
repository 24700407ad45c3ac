// The timing diagram under the form, as the program lays it out (Diagram.cpp):
// here it is only painted on the canvas, its picture read from the program's
// memory, and the user's keys, wheel and pointer are handed back. Beside it, the
// span in view, the cursor's values (announced), and a table of the steps in
// view for screen readers, which gains and loses a row as the view moves (a
// tenth of a second after the drawing at most).
'use strict';

const Diagram = (() => {
  // TTimingDiagram::TKey, by the key that means it.
  const KEYS = { ArrowLeft: 0, ArrowRight: 1, Home: 2, End: 3, PageUp: 4, PageDown: 5,
                 '+': 6, '=': 6, '-': 7, Enter: 8, ' ': 8 };
  const ZOOM_IN = 6, ZOOM_OUT = 7;
  // TInk, in order: the colour of each is the page's (it follows the colour scheme).
  const INKS = ['text', 'grid', 'bus', 'dense', 'difference', 'window-sum', 'cursor'];
  const FONT = '12px "Liberation Sans", Arial, sans-serif';

  const canvas = document.getElementById('diagram-canvas');
  const context = canvas.getContext('2d');
  const cursorLine = document.getElementById('diagram-cursor');
  const table = document.getElementById('diagram-table');
  const span = document.getElementById('diagram-span');
  const linesBox = document.getElementById('diagram-lines');

  let program = null;  // the running program
  let colours = [], background = '';
  let tableFirst = 1, tableLast = 0;  // the steps the table has rows for

  function text(pointer) {
    return program.UTF8ToString(pointer);
  }

  function readColours() {
    const style = getComputedStyle(canvas);
    colours = INKS.map(ink => style.getPropertyValue(`--diagram-${ink}`).trim());
    background = style.getPropertyValue('--diagram-background').trim();
  }

  function measure() {
    context.font = FONT;
    program._WebDiagramMeasure(canvas.clientWidth || 976, context.measureText('0').width);
  }

  // The picture as TPictureForThePage gives it: its size, then the address and
  // length of its points, paths, boxes, texts and characters.
  function paint() {
    const at = program._WebDiagramDraw() >> 2;
    const u32 = program.HEAPU32, f32 = program.HEAPF32, u8 = program.HEAPU8;
    const [width, height, points, , paths, pathCount, boxes, boxCount, texts, textCount, characters] =
      u32.subarray(at, at + 11);
    const scale = window.devicePixelRatio || 1;
    if (canvas.height !== Math.round(height * scale) || canvas.width !== Math.round(width * scale)) {
      canvas.width = Math.round(width * scale);
      canvas.height = Math.round(height * scale);
      canvas.style.height = height + 'px';
    }
    context.setTransform(scale, 0, 0, scale, 0, 0);
    context.fillStyle = background;
    context.fillRect(0, 0, width, height);
    for (let i = 0, box = boxes; i < boxCount; ++i, box += 20) {
      context.fillStyle = colours[u8[box]];
      const f = box + 4 >> 2;
      context.fillRect(f32[f], f32[f + 1], f32[f + 2], f32[f + 3]);
    }
    for (let i = 0, path = paths; i < pathCount; ++i, path += 12) {
      const first = u32[path + 4 >> 2], count = u32[path + 8 >> 2];
      context.strokeStyle = colours[u8[path]];
      context.lineWidth = u8[path + 2];
      context.beginPath();
      for (let j = 0, p = (points >> 2) + 2 * first; j < count; ++j, p += 2) {
        if (j) context.lineTo(f32[p], f32[p + 1]);
        else context.moveTo(f32[p], f32[p + 1]);
      }
      if (u8[path + 1]) context.closePath();
      context.stroke();
    }
    context.font = FONT;
    context.textBaseline = 'middle';
    for (let i = 0, item = texts; i < textCount; ++i, item += 20) {
      const f = item + 4 >> 2;
      context.fillStyle = colours[u8[item]];
      context.textAlign = u8[item + 1] ? 'center' : 'left';
      context.fillText(program.UTF8ToString(characters + u32[f + 2], u32[f + 3]), f32[f], f32[f + 1]);
    }
  }

  // The drawing at once; what is around it (the span, the cursor's values, the
  // table) at most ten times a second: the table's rows all change at a step, and
  // laying them out takes longer than the drawing.
  let aroundDue = null;

  function draw() {
    if (!program) return;
    paint();
    if (!aroundDue) aroundDue = setTimeout(around, 100);
  }

  function around() {
    aroundDue = null;
    if (!program) return;
    span.textContent = text(program._WebDiagramSpan());
    const said = text(program._WebDiagramCursor());
    if (cursorLine.textContent !== said) cursorLine.textContent = said;
    fillTable();
  }

  function tableRow(step) {
    let row = `<tr><th scope="row">${step}</th>`;
    for (let column = 1; column < program._WebDiagramColumnCount(); ++column)
      row += `<td>${text(program._WebDiagramCell(step, column))}</td>`;
    return row + '</tr>';
  }

  // The table's rows are the steps in view: those that left it go, those that
  // came in are added, so a step adds one row and takes one away.
  function fillTable() {
    const head = table.tHead;
    if (!head.rows.length) {
      let names = '';
      for (let column = 0; column < program._WebDiagramColumnCount(); ++column)
        names += `<th scope="col">${text(program._WebDiagramColumn(column))}</th>`;
      head.innerHTML = `<tr>${names}</tr>`;
    }
    const body = table.tBodies[0];
    const first = program._WebDiagramFirstShown(), last = program._WebDiagramLastShown();
    if (!first || last < tableFirst || first > tableLast) {
      body.textContent = '';
      tableFirst = first || 1;
      tableLast = tableFirst - 1;
      if (!first) return;
    }
    for (; tableFirst < first; ++tableFirst) body.firstElementChild.remove();
    for (; tableLast > last; --tableLast) body.lastElementChild.remove();
    let before = '';
    for (let step = first; step < tableFirst; ++step) before += tableRow(step);
    if (before) body.insertAdjacentHTML('afterbegin', before);
    let after = '';
    for (let step = tableLast + 1; step <= last; ++step) after += tableRow(step);
    if (after) body.insertAdjacentHTML('beforeend', after);
    tableFirst = Math.min(tableFirst, first);
    tableLast = Math.max(tableLast, last);
  }

  // Draws again when the program has taken a step, at the browser's next frame.
  function watch() {
    if (program && program._WebDiagramUpdate()) draw();
    requestAnimationFrame(watch);
  }

  function changed(yes) {
    if (yes) draw();
    return yes;
  }

  canvas.addEventListener('keydown', event => {
    const key = KEYS[event.key];
    if (key === undefined || !program || event.ctrlKey || event.altKey || event.metaKey) return;
    event.preventDefault();
    program._WebDiagramUpdate();
    changed(program._WebDiagramKey(key));
  });
  // The wheel's turn in notches: a line of text is a third of one, a hundred pixels one.
  canvas.addEventListener('wheel', event => {
    if (!program) return;
    const per = [100, 3, 1][event.deltaMode];
    program._WebDiagramUpdate();
    if (changed(program._WebDiagramWheel(event.deltaX / per, event.deltaY / per, event.shiftKey,
                                         event.ctrlKey)))
      event.preventDefault();
  }, { passive: false });
  const pointer = (phase, event) => {
    const box = canvas.getBoundingClientRect();
    return changed(program._WebDiagramPointer(phase, event.clientX - box.left, event.clientY - box.top));
  };
  canvas.addEventListener('pointerdown', event => {
    if (!program || event.button !== 0) return;
    canvas.setPointerCapture(event.pointerId);
    program._WebDiagramUpdate();
    pointer(0, event);
  });
  canvas.addEventListener('pointermove', event => {
    if (program && canvas.hasPointerCapture(event.pointerId)) pointer(1, event);
  });
  canvas.addEventListener('pointerup', event => {
    if (program && canvas.hasPointerCapture(event.pointerId)) pointer(2, event);
  });
  document.getElementById('diagram-zoom-in').addEventListener('click', () =>
    program && changed(program._WebDiagramKey(ZOOM_IN)));
  document.getElementById('diagram-zoom-out').addEventListener('click', () =>
    program && changed(program._WebDiagramKey(ZOOM_OUT)));
  document.getElementById('diagram-follow').addEventListener('click', () => {
    if (!program) return;
    program._WebDiagramFollowLatest();
    draw();
  });
  linesBox.addEventListener('change', () => {
    if (!program) return;
    program._WebDiagramSetLines(linesBox.checked);
    draw();
  });
  new ResizeObserver(() => {
    if (!program) return;
    measure();
    draw();
  }).observe(canvas);
  matchMedia('(prefers-color-scheme: dark)').addEventListener('change', () => {
    readColours();
    draw();
  });
  readColours();
  requestAnimationFrame(watch);

  return {
    // Shows the session of `module`, a program just started (null: none).
    attach(module) {
      program = module;
      tableFirst = 1;
      tableLast = 0;
      table.tBodies[0].textContent = '';
      clearTimeout(aroundDue);
      aroundDue = null;
      if (!program) return;
      program._WebDiagramSetLines(linesBox.checked);
      measure();
      draw();
    },
    // Takes in the steps since and draws them, as the next frame would.
    update() {
      if (!program) return;
      program._WebDiagramUpdate();
      draw();
    },
    // Takes the inks anew (the colour scheme, or printing, changed them) and draws.
    restyle() {
      readColours();
      draw();
    },
    // Brings what is around the drawing up to date now, as it would be soon.
    settle() {
      clearTimeout(aroundDue);
      around();
    },
  };
})();
