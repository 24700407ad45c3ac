// The page's side of the web front-end's services: the form's elements, their
// events, the intervals and the message boxes. The program calls these through
// Module.document (Controls.cpp, Application.cpp); the page that starts the
// program gives Module.formHost, the element the form goes in, and calls
// Module.document.stop() to end it.
Module.document = (() => {
  const elements = [null];  // an element's number is its index
  const intervals = new Set();
  const boxes = [];  // the open box first, then those waiting for it
  let formElement = null;
  let focusBeforeBoxes = null;
  let stopped = false;

  const GROUP_BOX = 0, BUTTON = 1, LABEL = 2, MEMO = 3;

  function remember(element) {
    elements.push(element);
    return elements.length - 1;
  }

  function cssColor(value) {
    return value < 0 ? '' : '#' + value.toString(16).padStart(6, '0');
  }

  function place(element, left, top, width, height) {
    Object.assign(element.style, { left: left + 'px', top: top + 'px' });
    if (width >= 0) element.style.width = width + 'px';
    if (height >= 0) element.style.height = height + 'px';
  }

  function font(element, family, pixels) {
    element.style.fontFamily = `"${family}", "Microsoft Sans Serif", "Liberation Sans", Arial, sans-serif`;
    element.style.fontSize = pixels + 'px';
  }

  function notify(control) {
    if (!stopped) Module._WebControlNotified(control);
  }

  // Return clicks the default button wherever the focus is, but on another
  // button or in a text box, where it has a meaning of its own.
  function onKeyDown(event) {
    if (event.key !== 'Enter' || event.defaultPrevented || boxes.length || stopped) return;
    if (event.target.closest && event.target.closest('button, textarea, input, select, a')) return;
    const button = formElement && formElement.querySelector('button[data-default]');
    if (!button || button.disabled) return;
    event.preventDefault();
    button.click();
  }

  function createForm(name, caption, width, height, family, fontHeight, color, textColor) {
    const form = document.createElement('div');
    form.id = name;
    form.className = 'form';
    form.setAttribute('role', 'application');
    form.setAttribute('aria-label', caption);
    place(form, 0, 0, width, height);
    font(form, family, fontHeight);
    form.style.backgroundColor = cssColor(color);
    form.style.color = cssColor(textColor);
    document.title = caption;
    (Module.formHost || document.body).appendChild(form);
    document.addEventListener('keydown', onKeyDown);
    formElement = form;
    return remember(form);
  }

  function createControl(kind, parent, name, left, top, width, height, caption, family,
                         fontHeight, color, textColor, tabStop, isDefault, accessibleName, buddy,
                         control) {
    let element;
    switch (kind) {
      case GROUP_BOX: {
        element = document.createElement('div');
        element.className = 'groupbox';
        element.setAttribute('role', 'group');
        const frame = document.createElement('div');
        frame.className = 'frame';
        const title = document.createElement('span');
        title.className = 'caption';
        title.id = name + '-caption';
        title.textContent = caption;
        title.style.backgroundColor = formElement.style.backgroundColor;
        element.setAttribute('aria-labelledby', title.id);
        element.append(frame, title);
        place(element, left, top, width, height);
        break;
      }
      case BUTTON:
        element = document.createElement('button');
        element.type = 'button';
        element.textContent = caption;
        if (isDefault) element.dataset.default = '';
        element.addEventListener('click', () => notify(control));
        place(element, left, top, width, height);
        break;
      case LABEL:
        // A value shows a register: assistive technology gets its name and
        // hears politely of its changes. A label that names a control is tied to it.
        element = document.createElement(accessibleName ? 'output' : buddy ? 'label' : 'span');
        element.className = 'label';
        if (accessibleName) element.setAttribute('aria-label', accessibleName);
        if (buddy) element.htmlFor = buddy;
        element.textContent = caption;
        place(element, left, top, -1, -1);
        break;
      case MEMO:
        element = document.createElement('textarea');
        element.className = 'memo';
        Object.assign(element, { spellcheck: false, autocomplete: 'off', wrap: 'soft' });
        element.setAttribute('autocapitalize', 'off');
        Object.assign(element, { heldLength: 0, aside: '' });
        element.addEventListener('input', () => notify(control));
        element.addEventListener('focus', () => memoFocused(element));
        element.addEventListener('blur', () => memoLeft(element));
        place(element, left, top, width, height);
        break;
    }
    element.id = name;
    if (!tabStop && kind !== LABEL && kind !== GROUP_BOX) element.tabIndex = -1;
    if (fontHeight) font(element, family, fontHeight);
    if (color >= 0) element.style.backgroundColor = cssColor(color);
    if (textColor >= 0) element.style.color = cssColor(textColor);
    elements[parent].appendChild(element);
    return remember(element);
  }

  // The caret and the view at the start, as after every step on every toolkit.
  function showMemoStart(memo) {
    memo.scrollTop = 0;
    if (document.activeElement === memo) memo.setSelectionRange(0, 0);
  }

  function setText(element, text) {
    elements[element].textContent = text;
  }

  // The memo shows one line, the history's oldest values, while a browser lays
  // out a text box's whole text again at every change: with a history of 10^5
  // values that is tens of milliseconds a step. So while the memo has not the
  // focus it holds the history's first MEMO_HELD characters, many more lines than
  // the one it shows, and the rest waits aside. The rest goes in as the memo gets
  // the focus, before anyone can move, select, copy or edit in it, and is set
  // aside again when it loses the focus.
  const MEMO_HELD = 4096;

  function setMemoText(element, text) {
    const memo = elements[element];
    const held = document.activeElement === memo ? text.length : Math.min(text.length, MEMO_HELD);
    memo.value = text.slice(0, held);
    memo.heldLength = held;
    memo.aside = text.slice(held);
    showMemoStart(memo);
  }

  function appendMemoText(element, tail) {
    const memo = elements[element];
    if (memo.aside || (document.activeElement !== memo && memo.heldLength + tail.length > MEMO_HELD)) {
      memo.aside += tail;
    } else {
      memo.setRangeText(tail, memo.heldLength, memo.heldLength, 'preserve');
      memo.heldLength += tail.length;
    }
    showMemoStart(memo);
  }

  function memoFocused(memo) {
    if (!memo.aside) return;
    memo.setRangeText(memo.aside, memo.heldLength, memo.heldLength, 'preserve');
    memo.heldLength += memo.aside.length;
    memo.aside = '';
  }

  function memoLeft(memo) {
    const text = memo.value;  // the user may have changed it
    if (text.length <= MEMO_HELD) return;
    memo.value = text.slice(0, MEMO_HELD);
    memo.heldLength = MEMO_HELD;
    memo.aside = text.slice(MEMO_HELD);
  }

  function setEnabled(element, enabled) {
    elements[element].disabled = !enabled;
  }

  function focused(element) {
    return document.activeElement === elements[element];
  }

  function setFocus(element) {
    elements[element].focus();
  }

  function startInterval(timer, milliseconds) {
    const interval = setInterval(() => {
      if (!stopped) Module._WebTimerTicked(timer);
    }, milliseconds);
    intervals.add(interval);
    return interval;
  }

  function stopInterval(interval) {
    clearInterval(interval);
    intervals.delete(interval);
  }

  // A box is modal: the page is inert under it, its one button has the focus,
  // Return or Escape closes it. Boxes asked for while one is open wait their turn.
  function showBox(text, isError) {
    const box = document.createElement('dialog');
    box.className = isError ? 'box error' : 'box';
    const title = document.createElement('div');
    title.className = 'box-title';
    title.textContent = 'preprocessor-sim';
    const message = document.createElement('p');
    message.textContent = text;
    message.id = 'box-text';
    const ok = document.createElement('button');
    ok.type = 'button';
    ok.textContent = 'OK';
    ok.addEventListener('click', () => box.close());
    box.setAttribute('aria-describedby', message.id);
    box.setAttribute('aria-label', 'preprocessor-sim');
    box.append(title, message, ok);
    box.addEventListener('close', () => {
      box.remove();
      boxes.shift();
      if (boxes.length) return open(boxes[0]);
      if (focusBeforeBoxes && focusBeforeBoxes.isConnected) focusBeforeBoxes.focus();
    });
    boxes.push(box);
    if (boxes.length > 1) return;
    focusBeforeBoxes = document.activeElement;
    open(box);
  }

  function open(box) {
    document.body.appendChild(box);
    box.showModal();
    box.querySelector('button').focus();
  }

  // The program ends: its events stop, its form and boxes go.
  function stop() {
    stopped = true;
    intervals.forEach(clearInterval);
    intervals.clear();
    document.removeEventListener('keydown', onKeyDown);
    boxes.splice(0).forEach(box => box.remove());
    if (formElement) formElement.remove();
  }

  return {
    createForm, createControl, setText, setMemoText, appendMemoText, setEnabled, focused,
    setFocus, startInterval, stopInterval, showBox, stop,
  };
})();
