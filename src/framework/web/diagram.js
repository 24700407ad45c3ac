// The timing diagram under the form: the signals of the steps taken so far, drawn
// as a waveform viewer draws them, from the program's record of the session (it
// never runs the model again). A row per signal, named as the batch runner's
// trace and dump name them; the delay line one row that opens into its cells;
// the difference and the window sum also as lines on a shared scale. It follows
// the latest step, shows the last 64 by default, zooms and scrolls back over the
// whole session; a cursor (pointer, or the arrow keys) shows every signal's value
// at one step. A screen reader gets the same values as a table, a row per step
// shown. Only what is shown is drawn, so a step costs the same however long the
// session.
'use strict';

const Diagram = (() => {
  // The record's signals, in the order of the trace's columns.
  const SIGNALS = ['Minuend', 'Subtrahend', ...Array.from({ length: 11 }, (_, i) => `DelayLine${i}`),
                   'Difference', 'WindowSum', 'Written'];
  const DELAY_LINE = SIGNALS.map((_, i) => i).slice(2, 13);
  const LABELS = 110, AXIS = 18, ROW = 20, LINE_ROW = 72, DEFAULT_STEPS = 64;
  const BUS = '#1f6f2f', LINE = ['#1f4fa0', '#b0401f'], TEXT = '#101010', GRID = '#d0d0d0';

  const canvas = document.getElementById('diagram-canvas');
  const context = canvas.getContext('2d');
  const cursorLine = document.getElementById('diagram-cursor');
  const table = document.getElementById('diagram-table');
  const span = document.getElementById('diagram-span');
  const linesBox = document.getElementById('diagram-lines');
  const width = canvas.width;

  let program = null;  // the running program
  let recorded = 0;    // its steps, as last drawn
  let stepWidth = (width - LABELS) / DEFAULT_STEPS;
  let last = 0;        // the last step shown
  let following = true;
  let cursor = 0;      // the step under the cursor; 0 for none
  let delayLineOpen = false;
  let digitWidth = 7;  // the digits of the diagram's font are all as wide
  let tableFirst = 1, tableLast = 0;  // the steps the table has rows for

  function value(step, signal) {
    return program._WebRecordedValue(step, signal);
  }

  function latched(step) {
    const from = program._WebEndOfDataStep();
    return from !== 0 && step >= from ? 1 : 0;
  }

  function rows() {
    const lines = linesBox.checked;
    return [
      { name: 'Minuend', value: step => value(step, 0) },
      { name: 'Subtrahend', value: step => value(step, 1) },
      { name: 'Difference', value: step => value(step, 13), line: lines ? 0 : undefined },
      { name: delayLineOpen ? 'DelayLine ▾' : 'DelayLine ▸', group: true,
        value: step => DELAY_LINE.map(signal => value(step, signal)).join(' ') },
      ...(delayLineOpen ? DELAY_LINE.map(signal => ({
        name: '  ' + SIGNALS[signal], value: step => value(step, signal) })) : []),
      { name: 'WindowSum', value: step => value(step, 14), line: lines ? 1 : undefined },
      { name: 'Written', value: step => value(step, 15) },
      { name: 'EndOfData', value: latched, bit: true },
    ];
  }

  function shownSteps() {
    return Math.max(1, Math.floor((width - LABELS) / stepWidth));
  }

  function firstShown() {
    return Math.max(1, last - shownSteps() + 1);
  }

  function x(step) {
    return LABELS + (step - firstShown()) * stepWidth;
  }

  // A bus: a box for each run of one value, a crossing at each change, the
  // value's decimal form where it fits.
  function drawBus(row, top, first) {
    const y0 = top + 3, y1 = top + ROW - 3, middle = top + ROW / 2;
    context.strokeStyle = BUS;
    context.fillStyle = TEXT;
    let start = first;
    let current = row.value(first);
    for (let step = first + 1; step <= last + 1; ++step) {
      const next = step <= last ? row.value(step) : null;
      if (next === current) continue;
      const a = x(start), b = x(step), slant = Math.min(3, (b - a) / 2);
      context.beginPath();
      context.moveTo(a, middle);
      context.lineTo(a + slant, y0);
      context.lineTo(b - slant, y0);
      context.lineTo(b, middle);
      context.lineTo(b - slant, y1);
      context.lineTo(a + slant, y1);
      context.closePath();
      context.stroke();
      const text = String(current);
      if (text.length * digitWidth < b - a - 2 * slant - 2)
        context.fillText(text, (a + b) / 2, middle);
      start = step;
      current = next;
    }
  }

  function drawBit(row, top, first) {
    context.strokeStyle = BUS;
    context.beginPath();
    for (let step = first; step <= last; ++step) {
      const y = row.value(step) ? top + 3 : top + ROW - 3;
      if (step === first) context.moveTo(x(step), y);
      else context.lineTo(x(step), y);
      context.lineTo(x(step + 1), y);
    }
    context.stroke();
  }

  // The difference and the window sum as lines on one scale, so the sum is seen
  // as the smoothed difference.
  function drawLine(row, top, first, scale) {
    const y = v => top + LINE_ROW - 4 - (v - scale.low) / (scale.high - scale.low || 1) * (LINE_ROW - 8);
    context.strokeStyle = LINE[row.line];
    context.lineWidth = 2;
    context.beginPath();
    for (let step = first; step <= last; ++step) {
      const at = y(row.value(step));
      if (step === first) context.moveTo(x(step), at);
      else context.lineTo(x(step), at);
      context.lineTo(x(step + 1), at);
    }
    context.stroke();
    context.lineWidth = 1;
  }

  function lineScale(shown, first) {
    let low = Infinity, high = -Infinity;
    for (const row of shown.filter(row => row.line !== undefined)) {
      for (let step = first; step <= last; ++step) {
        const v = row.value(step);
        low = Math.min(low, v);
        high = Math.max(high, v);
      }
    }
    return { low, high };
  }

  // A row drawn as a line (row.line: its colour) is taller than a bus.
  function rowHeight(row) {
    return row.line === undefined ? ROW : LINE_ROW;
  }

  function draw() {
    const shown = rows();
    const height = AXIS + shown.reduce((sum, row) => sum + rowHeight(row), 0);
    if (canvas.height !== height) canvas.height = height;
    context.clearRect(0, 0, width, height);
    context.font = '12px "Liberation Sans", Arial, sans-serif';
    context.textBaseline = 'middle';
    digitWidth = context.measureText('0').width;
    const first = firstShown();
    span.textContent = last ? `шаги ${first}–${last} из ${recorded}` : 'шагов ещё нет';
    // The time axis: a step number where there is room for one.
    const every = Math.max(1, Math.ceil(40 / stepWidth));
    context.fillStyle = TEXT;
    context.strokeStyle = GRID;
    context.textAlign = 'left';
    for (let step = first; step <= last; ++step) {
      if (step % every) continue;
      context.fillText(String(step), x(step) + 2, AXIS / 2);
      context.beginPath();
      context.moveTo(x(step) + 0.5, AXIS - 4);
      context.lineTo(x(step) + 0.5, height);
      context.stroke();
    }
    const scale = last ? lineScale(shown, first) : null;
    let top = AXIS;
    for (const row of shown) {
      context.fillStyle = TEXT;
      context.textAlign = 'left';
      context.fillText(row.name, 4, top + rowHeight(row) / 2);
      context.textAlign = 'center';
      if (last) {
        if (row.bit) drawBit(row, top, first);
        else if (rowHeight(row) === LINE_ROW) drawLine(row, top, first, scale);
        else drawBus(row, top, first);
      }
      top += rowHeight(row);
    }
    if (cursor >= first && cursor <= last) {
      context.strokeStyle = '#c00000';
      context.beginPath();
      context.moveTo(x(cursor) + stepWidth / 2, 0);
      context.lineTo(x(cursor) + stepWidth / 2, height);
      context.stroke();
    }
    showCursor();
    fillTable(first);
  }

  function showCursor() {
    if (!cursor || cursor > recorded) {
      cursorLine.textContent = 'Курсор: щёлкните по диаграмме или нажмите стрелку.';
      return;
    }
    const values = SIGNALS.map((name, signal) =>
      `<span data-signal="${name}">${name} ${value(cursor, signal)}</span>`);
    values.push(`<span data-signal="EndOfData">EndOfData ${latched(cursor)}</span>`);
    cursorLine.innerHTML = `<b>Шаг ${cursor}:</b> ` + values.join(' ');
  }

  function tableRow(step) {
    let row = `<tr><th scope="row">${step}</th>`;
    for (let signal = 0; signal < SIGNALS.length; ++signal) row += `<td>${value(step, signal)}</td>`;
    return row + `<td>${latched(step)}</td></tr>`;
  }

  // The table's rows are the steps shown: those that scrolled out go, those that
  // came in are added, so a step adds one row and takes one away.
  function fillTable(first) {
    const head = table.tHead;
    if (!head.rows.length) {
      head.innerHTML = '<tr><th scope="col">Шаг</th>' +
        [...SIGNALS, 'EndOfData'].map(name => `<th scope="col">${name}</th>`).join('') + '</tr>';
    }
    const body = table.tBodies[0];
    if (last < tableFirst || first > tableLast) {
      body.textContent = '';
      tableFirst = first;
      tableLast = first - 1;
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

  // Takes in the steps the program has recorded since; true if there are any.
  function catchUp() {
    const steps = program ? program._WebRecordedSteps() : 0;
    if (steps === recorded) return false;
    recorded = steps;
    if (following) last = recorded;
    return true;
  }

  // Draws again when the program has taken a step, at the browser's next frame.
  function watch() {
    if (catchUp()) draw();
    requestAnimationFrame(watch);
  }

  function showStep(step) {
    cursor = Math.min(Math.max(step, 1), recorded);
    if (cursor > last) last = cursor;
    if (cursor < firstShown()) last = cursor + shownSteps() - 1;
    last = Math.min(last, recorded);
    following = last === recorded;
    draw();
  }

  function zoom(factor) {
    stepWidth = Math.min(120, Math.max(1, stepWidth * factor));
    if (cursor && cursor < firstShown()) last = Math.min(recorded, cursor + shownSteps() - 1);
    draw();
  }

  function scroll(steps) {
    last = Math.min(recorded, Math.max(Math.min(shownSteps(), recorded), last + steps));
    following = last === recorded;
    draw();
  }

  canvas.addEventListener('keydown', event => {
    const moves = {
      ArrowLeft: () => showStep((cursor || recorded) - 1),
      ArrowRight: () => showStep((cursor || recorded) + 1),
      Home: () => showStep(1),
      End: () => showStep(recorded),
      PageUp: () => scroll(-shownSteps()),
      PageDown: () => scroll(shownSteps()),
      '+': () => zoom(2),
      '=': () => zoom(2),
      '-': () => zoom(0.5),
      Enter: () => { delayLineOpen = !delayLineOpen; draw(); },
    };
    if (!moves[event.key] || !program) return;
    event.preventDefault();
    catchUp();
    moves[event.key]();
  });
  canvas.addEventListener('pointerdown', event => {
    catchUp();
    if (!program || !recorded) return;
    const box = canvas.getBoundingClientRect();
    const at = event.clientX - box.left, down = event.clientY - box.top;
    if (at < LABELS) {
      // The delay line's name opens it into its cells and closes it again.
      const shown = rows();
      let top = AXIS;
      for (const row of shown) {
        if (down >= top && down < top + rowHeight(row) && row.group) {
          delayLineOpen = !delayLineOpen;
          draw();
        }
        top += rowHeight(row);
      }
      return;
    }
    showStep(firstShown() + Math.floor((at - LABELS) / stepWidth));
  });
  canvas.addEventListener('wheel', event => {
    if (!program) return;
    event.preventDefault();
    if (event.ctrlKey) zoom(event.deltaY < 0 ? 2 : 0.5);
    else scroll(Math.sign(event.deltaY || event.deltaX) * Math.max(1, Math.round(shownSteps() / 8)));
  }, { passive: false });
  document.getElementById('diagram-zoom-in').addEventListener('click', () => zoom(2));
  document.getElementById('diagram-zoom-out').addEventListener('click', () => zoom(0.5));
  document.getElementById('diagram-follow').addEventListener('click', () => {
    following = true;
    last = recorded;
    draw();
  });
  linesBox.addEventListener('change', draw);
  requestAnimationFrame(watch);

  return {
    // Shows the session of `module`, a program just started.
    attach(module) {
      program = module;
      recorded = last = cursor = 0;
      tableFirst = 1;
      tableLast = 0;
      following = true;
      draw();
    },
    // Takes in the steps since and draws them, as the next frame would.
    update() {
      catchUp();
      draw();
    },
  };
})();
