// What the web tests check of the page as it stands (tests/web/run.sh evaluates these in it).

// The page as it fits its viewport: what is wrong, or nothing. The canvas whole in view at 4 : 3,
// its drawing buffer its size times the pixel ratio and the game's viewport all of it; the status
// line in view, and on a screen 600 pixels tall or more the line of keys under it too; the
// console in view or a scroll away (on a phone held sideways, folded behind its button, which
// opens it and folds it again); the game and the console centred.
function layout() {
  const page = document.documentElement, box = e => e.getBoundingClientRect(), c = box(canvas), wrong = [];
  const seen = r => r.left >= 0 && r.top >= 0 && r.right <= page.clientWidth + 0.5 && r.bottom <= page.clientHeight + 0.5;
  const buffer = [canvas.width, canvas.height].join(), panel = document.getElementById('console');
  if (!seen(c) || Math.abs(3 * c.width - 4 * c.height) > 1) wrong.push('canvas ' + [c.left, c.top, c.width, c.height]);
  if (buffer != [c.width, c.height].map(v => Math.round(v * devicePixelRatio)) ||
      Module.ctx.getParameter(Module.ctx.VIEWPORT).join() != '0,0,' + buffer) wrong.push('buffer ' + buffer);
  if (!seen(box(document.getElementById('status')))) wrong.push('status line out of view');
  if (page.clientHeight >= 600 && !seen(box(keys))) wrong.push('line of keys cut at ' + Math.round(box(keys).bottom));
  // A phone held sideways folds the console away behind its button, beside the board.
  const folded = document.querySelector('main').classList.contains('side');
  const shown = folded ? box(document.getElementById('status')) : box(panel);
  const left = Math.min(c.left, shown.left), right = page.clientWidth - Math.max(c.right, folded ? page.clientWidth - c.left : shown.right);
  if (Math.abs(left - right) > 2) wrong.push('off centre by ' + (left - right));
  if (folded) {
    const button = document.getElementById('console-button');
    if (!seen(box(button))) wrong.push('Console button out of view');
    button.click();
    if (!seen(box(panel)) || box(panel).height < 100) wrong.push('the console does not open: ' + [box(panel).top, box(panel).height]);
    button.click();
    if (box(panel).height != 0) wrong.push('the console does not fold again');
  } else {
    panel.scrollIntoView();
    if (box(panel).top < 0 || box(panel).top >= page.clientHeight) wrong.push('console out of reach');
  }
  scrollTo(0, 0);
  return wrong.join(', ');
}

// The lowest contrast between the text and the background of the open menu's entries, as the
// WCAG defines it from their computed colours (an entry without a background shows its menu's);
// 0 without an open menu.
function contrast() {
  if (!document.querySelector('[role=menuitem]')) return 0;
  const light = colour => colour.match(/[\d.]+/g).slice(0, 3).map(v => v / 255)
      .map(v => v <= 0.03928 ? v / 12.92 : ((v + 0.055) / 1.055) ** 2.4)
      .reduce((sum, v, i) => sum + v * [0.2126, 0.7152, 0.0722][i], 0.05);
  return Math.min(...[...document.querySelectorAll('[role=menuitem]')].map(entry => {
    const back = getComputedStyle(entry).backgroundColor, text = light(getComputedStyle(entry).color);
    const under = light(back == 'rgba(0, 0, 0, 0)' ? getComputedStyle(entry.parentNode).backgroundColor : back);
    return Math.max(text, under) / Math.min(text, under);
  })).toFixed(2);
}

// The open menu as it fits the viewport: what is wrong, or nothing. The panel inside the
// viewport and clear of the Menu button (it may not cover what opened it); each entry, once the
// panel is scrolled to it, whole inside the panel and the viewport.
function menuFit() {
  const panel = document.querySelector('[role=menu]'), page = document.documentElement, wrong = [];
  if (!panel) return 'no menu open';
  const p = panel.getBoundingClientRect(), b = menuButton.getBoundingClientRect();
  const inside = (r, o) => r.left >= o.left - 0.5 && r.top >= o.top - 0.5 && r.right <= o.right + 0.5 && r.bottom <= o.bottom + 0.5;
  const view = {left: 0, top: 0, right: page.clientWidth, bottom: page.clientHeight};
  if (!inside(p, view)) wrong.push('panel ' + [p.left, p.top, p.right, p.bottom].map(Math.round));
  if (p.left < b.right && b.left < p.right && p.top < b.bottom && b.top < p.bottom) wrong.push('the Menu button covered');
  for (const entry of panel.children) {
    entry.scrollIntoView({block: 'nearest'});
    const e = entry.getBoundingClientRect(), q = panel.getBoundingClientRect();
    const inner = {left: q.left + panel.clientLeft, top: q.top + panel.clientTop,
                   right: q.left + panel.clientLeft + panel.clientWidth, bottom: q.top + panel.clientTop + panel.clientHeight};
    if (!inside(e, inner) || !inside(e, view)) wrong.push('"' + entry.textContent + '" out of reach');
  }
  panel.scrollTop = 0;
  scrollTo(0, 0);
  return wrong.join(', ');
}
