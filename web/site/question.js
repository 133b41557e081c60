// SPDX-License-Identifier: GPL-3.0-or-later
// The question: the six lists, the monograms, the measurements and
// "Differences allowed", read on every change and handed to the engine. Its
// answer goes to whoever listens for "answer".

import { emit, on, state } from './state.js';
import { setStatus } from './status.js';
import { byId, copyText, errorText } from './util.js';

const textOptions = ['center-monogram', 'left-monogram', 'right-monogram', 'diameter', 'weight'];
// The fields whose refused values the engine explains.
const checkedOptions = ['diameter', 'weight', 'near'];

let asked = '';

/// The question as the fields hold it, each value as typed: the engine
/// reads them, refuses what it cannot read, and says why.
export function query() {
  const q = {};
  for (const list of state.lists) {
    q[list.option] = byId(list.option).value;
  }
  for (const option of textOptions) {
    q[option] = byId(option).value;
  }
  q.near = byId('near').value.trim();
  return q;
}

export function fillLists() {
  state.lists = state.engine.lists();
  for (const list of state.lists) {
    const select = byId(list.option);
    const value = select.value;
    const options = [new Option('Any', 'any')];
    list.texts.forEach((text, p) => options.push(new Option(text, `#${p + 1}`)));
    select.replaceChildren(...options);
    select.value = options.some((o) => o.value === value) ? value : 'any';
  }
}

function showCounts(counts) {
  state.lists.forEach((list, a) => {
    const options = byId(list.option).options;
    list.texts.forEach((text, p) => {
      const count = counts[a]?.[p] ?? 0;
      const option = options[p + 1];
      const label = `${text} (${count})`;
      if (option.textContent !== label) {
        option.textContent = label;
        option.classList.toggle('none', count === 0);
      }
    });
  });
}

function showProblems(problems) {
  for (const option of checkedOptions) {
    const field = byId(option);
    const message = byId(`${option}-error`);
    const problem = problems?.[option];
    const hint = field.dataset.hint ? ` ${field.dataset.hint}` : '';
    if (problem) {
      const hidden = document.createElement('span');
      hidden.className = 'visually-hidden';
      hidden.textContent = 'Error: ';
      message.replaceChildren(hidden, document.createTextNode(problem));
      message.hidden = false;
      field.setAttribute('aria-invalid', 'true');
      field.setAttribute('aria-describedby', message.id + hint);
    } else if (!message.hidden) {
      message.hidden = true;
      message.replaceChildren();
      field.removeAttribute('aria-invalid');
      if (hint) {
        field.setAttribute('aria-describedby', hint.trim());
      } else {
        field.removeAttribute('aria-describedby');
      }
    }
  }
}

/// Asks the engine the fields' question, unless it was just asked of the
/// same catalogue; `force` asks again all the same.
export function answer(force = false) {
  if (!state.engine) {
    return;
  }
  const q = query();
  const key = JSON.stringify(q);
  if (!force && key === asked) {
    return;
  }
  asked = key;
  let result;
  try {
    result = state.engine.ask(q);
  } catch (error) {
    setStatus(`The finder failed on this question: ${errorText(error)}`);
    state.answer = null; // the engine no longer holds the last one
    asked = '';
    emit('answer', null);
    return;
  }
  state.answer = result;
  showCounts(result.counts);
  showProblems(result.problems);
  keepAddress();
  emit('answer', result);
}

// The question in the page's address, so a reload, a tab the phone
// discarded or a link sent to someone shows the same question. Browsers
// refuse more than about 100 address changes in 10 s: at most 4 a second.
const addressEvery = 250;
let addressTimer = 0;
let addressDue = 0;

function addressOf(q) {
  const params = new URLSearchParams();
  for (const [option, value] of Object.entries(q)) {
    if (value !== '' && value !== 'any' && !(option === 'near' && value === '0')) {
      params.set(option, value);
    }
  }
  const search = params.toString();
  return `${location.pathname}${search ? `?${search}` : ''}${location.hash}`;
}

function writeAddress() {
  addressTimer = 0;
  addressDue = performance.now() + addressEvery;
  const address = addressOf(query());
  if (address !== `${location.pathname}${location.search}${location.hash}`) {
    history.replaceState(history.state, '', address);
  }
}

function keepAddress() {
  if (addressTimer === 0) {
    addressTimer = setTimeout(writeAddress, Math.max(0, addressDue - performance.now()));
  }
}

/// The link's question, in the fields before the first answer. A value no
/// list has falls back to Any, and the status says so; any other value is
/// shown as the link gave it, for the engine to read or refuse.
export function questionFromAddress() {
  const params = new URLSearchParams(location.search);
  const dropped = [];
  for (const list of state.lists) {
    const value = params.get(list.option);
    if (value !== null) {
      const select = byId(list.option);
      select.value = value;
      if (select.value !== value) {
        select.value = 'any';
        dropped.push(`${byId(list.option).labels[0].textContent} "${value}"`);
      }
    }
  }
  for (const option of [...textOptions, 'near']) {
    const value = params.get(option);
    if (value !== null) {
      byId(option).value = value;
    }
  }
  return dropped.length === 0 ? '' : ` The link's ${dropped.join(', ')} ${dropped.length === 1 ? 'is' : 'are'} in no list: Any is shown.`;
}

/// Hands the question's link to the phone's share sheet, or copies it.
async function share() {
  clearTimeout(addressTimer);
  writeAddress();
  const url = location.href;
  const notice = byId('share-notice');
  if (navigator.share) {
    try {
      await navigator.share({ title: document.title, url });
      return;
    } catch (error) {
      if (error?.name === 'AbortError') {
        return; // the collector changed their mind
      }
    }
  }
  await copyText(url);
  notice.textContent = 'Link copied';
  setTimeout(() => {
    notice.textContent = '';
  }, 4000);
}

function clearFields() {
  for (const list of state.lists) {
    byId(list.option).value = 'any';
  }
  for (const option of textOptions) {
    byId(option).value = '';
  }
  byId('near').value = '0';
  answer();
}

export function wireQuestion() {
  const form = byId('seen');
  form.addEventListener('input', () => answer());
  form.addEventListener('change', () => answer());
  form.addEventListener('submit', (event) => event.preventDefault());
  byId('clear').addEventListener('click', clearFields);
  byId('share').addEventListener('click', share);
  // The last keystroke's question too, when the page is left or hidden
  // (a phone may discard a hidden tab) before the next address change.
  const writeNow = () => {
    if (addressTimer !== 0) {
      clearTimeout(addressTimer);
      writeAddress();
    }
  };
  window.addEventListener('pagehide', writeNow);
  document.addEventListener('visibilitychange', writeNow);
  on('catalogue', () => answer(true));
}
