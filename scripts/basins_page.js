// The page of many basins (twinser-basins): a table of every basin and model,
// the distribution of NSE and KGE over the basins for each model, and where
// two models are given, one's KGE against the other's. Everything is drawn
// from the embedded data; every name is set as text, never as markup.
(function () {
  'use strict';
  const D = JSON.parse(document.getElementById('basins-data').textContent);
  // a row: basin, model, label, page link, exit status, then the columns, then
  // the 90% intervals of NSE and KGE (or null)
  const B = 0, M = 1, LBL = 2, LINK = 3, ST = 4, C0 = 5;
  const COL = {};
  D.columns.forEach((k, i) => { COL[k] = C0 + i; });
  const NI = C0 + D.columns.length, KI = NI + 1;
  const COLOURS = ['#1f5fa8', '#c4471d', '#2a8a3e', '#8a3ea8', '#a8862a', '#2aa8a0', '#555555', '#d14f9b'];
  const LOW = -1;  // efficiencies are drawn from here to 1; lower ones are counted at the edge
  const charts = [];

  function el(tag, cls, text, parent) {
    const e = document.createElement(tag);
    if (cls) e.className = cls;
    if (text !== undefined && text !== null) e.textContent = String(text);
    if (parent) parent.appendChild(e);
    return e;
  }
  function fmt(v, d) {
    if (v === null || v === undefined) return 'n/a';
    if (Math.abs(v) >= 1e6) return v.toExponential(3);
    return v.toFixed(d);
  }

  const models = [];
  for (const r of D.rows) if (models.indexOf(r[M]) < 0) models.push(r[M]);
  const colourOf = m => COLOURS[models.indexOf(m) % COLOURS.length];
  const page = el('main', null, null, document.body);

  el('h1', null, 'Basins: ' + D.folder, page);
  const basinsSeen = new Set(D.rows.map(r => r[B]).concat(D.problems.map(p => p[0])));
  el('p', null, basinsSeen.size + ' basins, ' + models.length + ' model' + (models.length === 1 ? '' : 's') +
     ' (' + models.join(', ') + '), ' + D.rows.length + ' finished runs, ' + D.problems.length +
     ' stopped, refused or not run.', page);

  // --------------------------------------------------------------- distributions
  //
  // The cumulative distribution of a measure over the basins: for each model,
  // the share of its basins whose value is at most x. One x axis shared by all
  // models: the union of their values.
  function sortedValues(col, model) {
    return D.rows.filter(r => r[M] === model && r[col] !== null).map(r => r[col]).sort((a, b) => a - b);
  }
  function atMost(sorted, x) {  // count of values <= x
    let lo = 0, hi = sorted.length;
    while (lo < hi) { const mid = (lo + hi) >> 1; if (sorted[mid] <= x) lo = mid + 1; else hi = mid; }
    return lo;
  }
  function chartBox(title, note) {
    const box = el('div', 'chart', null, page);
    el('h3', null, title, box);
    if (note) el('p', 'note', note, box);
    return box;
  }
  function xRange(xs) {  // from the lowest value (not below LOW) to 1 or above
    const lo = Math.max(LOW, xs[0]), hi = Math.max(1, xs[xs.length - 1]);
    return [hi - lo > 1e-9 ? lo : hi - 1, hi];
  }
  function cdf(col, name) {
    const per = models.map(m => sortedValues(col, m));
    const xs = Array.from(new Set([].concat(...per).map(v => Math.max(v, LOW)))).sort((a, b) => a - b);
    if (!xs.length) { el('p', 'note', 'No ' + name + ' to draw.', page); return; }
    const data = [xs].concat(per.map(s => xs.map(x => s.length ? atMost(s, x) / s.length : null)));
    const box = chartBox('Cumulative distribution of ' + name + ' over the basins',
                         'Share of basins with ' + name + ' at most x; values below ' + LOW +
                         ' are counted at the left edge.');
    const u = new uPlot({
      width: 620, height: 320, title: '',
      scales: {x: {time: false, range: () => xRange(xs)},
               y: {range: [0, 1]}},
      axes: [{label: name}, {label: 'share of basins'}],
      series: [{label: name}].concat(models.map(m => ({
        label: m, stroke: colourOf(m), width: 2, points: {show: false},
        paths: uPlot.paths.stepped({align: 1})}))),
    }, data, box);
    charts.push({title: name + ' distribution', u: u, inked: models.map((_, i) => i + 1)});
  }
  el('h2', null, 'Distributions over the basins', page);
  const kgeName = 'KGE (2009)';
  cdf(COL.nse, 'NSE');
  cdf(COL.kge_2009, kgeName);

  // --------------------------------------------------------------- two models
  //
  // One model's KGE against another's, basin by basin (basins with both), the
  // line of equal skill, and the basins where the two differ most.
  function pairs(a, b) {
    const byA = new Map();
    for (const r of D.rows) if (r[M] === a && r[COL.kge_2009] !== null) byA.set(r[B], r);
    const out = [];
    for (const r of D.rows) {
      if (r[M] !== b || r[COL.kge_2009] === null || !byA.has(r[B])) continue;
      out.push({basin: r[B], label: r[LBL], x: byA.get(r[B])[COL.kge_2009], y: r[COL.kge_2009]});
    }
    return out;
  }
  let scatter = null;
  function compare(box, a, b) {
    if (scatter) scatter.destroy();
    scatter = null;
    box.textContent = '';
    const p = pairs(a, b);
    const better = p.filter(q => q.y > q.x).length;
    el('p', null, p.length + ' basins with both: ' + b + ' has the higher KGE in ' + better + ', ' + a +
       ' in ' + p.filter(q => q.x > q.y).length + '.', box);
    if (!p.length) return;
    const cl = v => Math.max(v, LOW);
    const s = p.slice().sort((q, r) => cl(q.x) - cl(r.x));
    const xs = s.map(q => cl(q.x));
    const u = new uPlot({
      width: 520, height: 520,
      scales: {x: {time: false, range: [LOW, 1]}, y: {range: [LOW, 1]}},
      axes: [{label: kgeName + ' of ' + a}, {label: kgeName + ' of ' + b}],
      series: [{label: a},
               {label: b, stroke: colourOf(b), fill: colourOf(b), paths: () => null,
                points: {show: true, size: 5, fill: colourOf(b), stroke: colourOf(b)}},
               {label: 'equal', stroke: '#999999', width: 1, dash: [4, 4], points: {show: false}}],
    }, [xs, s.map(q => cl(q.y)), xs], box);
    scatter = u;
    charts.push({title: 'KGE ' + b + ' against ' + a, u: u, inked: [1]});
    const most = p.slice().sort((q, r) => Math.abs(r.y - r.x) - Math.abs(q.y - q.x)).slice(0, 20);
    el('h3', null, 'Basins where ' + a + ' and ' + b + ' differ most in KGE', box);
    const t = el('table', 'most', null, box);
    const h = el('tr', null, null, el('thead', null, null, t));
    ['basin', 'label', 'KGE ' + a, 'KGE ' + b, b + ' minus ' + a].forEach(x => el('th', null, x, h));
    const tb = el('tbody', null, null, t);
    for (const q of most) {
      const tr = el('tr', null, null, tb);
      [q.basin, q.label, fmt(q.x, 3), fmt(q.y, 3), fmt(q.y - q.x, 3)].forEach(x => el('td', null, x, tr));
    }
  }
  if (models.length >= 2) {
    el('h2', null, 'Two models basin by basin', page);
    const pick = el('p', null, null, page);
    const sel = (v) => {
      const s = el('select', null, null, pick);
      models.forEach(m => { const o = el('option', null, m, s); o.value = m; });
      s.value = v;
      return s;
    };
    el('span', null, 'x: ', pick);
    const sa = sel(models[0]);
    el('span', null, ' y: ', pick);
    const sb = sel(models[1]);
    const box = el('div', 'chart', null, page);
    const redo = () => {
      const keep = charts.filter(c => !/^KGE .* against /.test(c.title));
      charts.length = 0;
      charts.push(...keep);
      compare(box, sa.value, sb.value);
    };
    sa.addEventListener('change', redo);
    sb.addEventListener('change', redo);
    compare(box, models[0], models[1]);
  }

  // --------------------------------------------------------------- the table
  //
  // Every finished run, sortable by any column (click its heading) and
  // filtered by a text found in the basin, model or label. The rows scroll in
  // a window of their own, and only the lines in sight are in the document:
  // sorting or filtering a continent's basins reorders an array and redraws
  // a screenful, whatever the number of rows.
  el('h2', null, 'Every basin and model', page);
  const filter = el('input', 'filter', null, page);
  filter.type = 'search';
  filter.placeholder = 'filter by basin, model or label';
  const counter = el('span', 'count', null, page);
  const heads = [['basin', B, 'text'], ['model', M, 'text'], ['label', LBL, 'text'],
                 ['n', COL.n, 0], ['NSE', COL.nse, 3], ['NSE 90%', NI, 'iv'], ['KGE', COL.kge_2009, 3],
                 ['KGE 90%', KI, 'iv'], ['KGE 2012', COL.kge_2012, 3],
                 ['percent bias', COL.percent_bias, 2], ['r', COL.r, 3]];
  const LINE = 22;  // px, the height of a line (.grid .line in the style)
  const table = el('div', 'grid', null, page);
  table.setAttribute('role', 'table');
  const hr = el('div', 'line head', null, table);
  hr.setAttribute('role', 'row');
  const view = el('div', 'view', null, table);
  const body = el('div', 'lines', null, view);
  const items = D.rows.map(r => ({r: r, tr: null,
                                  key: (r[B] + '\u0000' + r[M] + '\u0000' + (r[LBL] || '')).toLowerCase()}));
  let shown = items.slice();
  function lineOf(it) {  // made when first in sight, then kept
    if (it.tr) return it.tr;
    const r = it.r, tr = document.createElement('div');
    tr.className = r[ST] === 2 ? 'line refused' : 'line';
    tr.setAttribute('role', 'row');
    for (const [, c, d] of heads) {
      const td = el('span', d === 'text' ? 'c' : 'c num', null, tr);
      if (c === B && r[LINK]) {
        const a = el('a', null, r[B], td);
        a.href = r[LINK];
      } else if (d === 'text') td.textContent = r[c];
      else if (d === 'iv') td.textContent = r[c] ? fmt(r[c][0], 3) + ' to ' + fmt(r[c][1], 3) : '';
      else td.textContent = fmt(r[c], d);
      if (d === 'text') td.title = r[c];
    }
    it.tr = tr;
    return tr;
  }
  function draw() {  // lines that stay in sight stay in the document
    const height = shown.length * LINE + 'px';
    if (body.style.height !== height) body.style.height = height;
    const first = Math.max(0, Math.floor(view.scrollTop / LINE) - 5);
    const last = Math.min(shown.length, first + Math.ceil((view.clientHeight || 600) / LINE) + 10);
    const want = new Set();
    for (let i = first; i < last; i++) {
      const tr = lineOf(shown[i]), top = i * LINE + 'px';
      if (tr.style.top !== top) tr.style.top = top;
      want.add(tr);
    }
    for (const tr of Array.from(body.children)) if (!want.has(tr)) tr.remove();
    const f = document.createDocumentFragment();
    for (const tr of want) if (tr.parentNode !== body) f.appendChild(tr);
    body.appendChild(f);
  }
  let pending = false;
  view.addEventListener('scroll', () => {
    if (pending) return;
    pending = true;
    requestAnimationFrame(() => { pending = false; draw(); });
  });
  let order = {col: -1, up: true};
  function value(it, c, d) {
    const v = it.r[c];
    if (d === 'iv') return v ? v[0] : null;
    return v;
  }
  function sortBy(k) {
    const [, c, d] = heads[k];
    order = {col: k, up: order.col === k ? !order.up : true};
    const sign = order.up ? 1 : -1;
    const text = d === 'text';
    items.sort((p, q) => {
      const a = value(p, c, d), b = value(q, c, d);
      if (a === null || a === undefined) return (b === null || b === undefined) ? 0 : 1;  // n/a last
      if (b === null || b === undefined) return -1;
      if (text) return sign * (a < b ? -1 : a > b ? 1 : 0);
      return sign * (a - b);
    });
    hr.querySelectorAll('.c').forEach((th, i) => {
      th.dataset.sorted = i === k ? (order.up ? 'up' : 'down') : '';
    });
    applyFilter();
  }
  heads.forEach(([name], k) => {
    const th = el('span', heads[k][2] === 'text' ? 'c' : 'c num', name, hr);
    th.addEventListener('click', () => sortBy(k));
  });
  function applyFilter() {
    const q = filter.value.toLowerCase();
    shown = q ? items.filter(it => it.key.indexOf(q) >= 0) : items.slice();
    counter.textContent = ' ' + shown.length + ' of ' + items.length + ' rows';
    draw();
  }
  filter.addEventListener('input', applyFilter);
  applyFilter();

  // --------------------------------------------------------------- problems
  el('h2', null, 'Stopped, refused and not run', page);
  if (!D.problems.length) el('p', null, 'None: every run finished and did everything it was asked.', page);
  else {
    const t = el('table', 'problems', null, page);
    const h = el('tr', null, null, el('thead', null, null, t));
    ['basin', 'model', 'exit status', 'last message'].forEach(x => el('th', null, x, h));
    const tb = el('tbody', null, null, t);
    for (const p of D.problems) {
      const tr = el('tr', null, null, tb);
      p.forEach(x => el('td', null, x, tr));
    }
  }

  // --------------------------------------------------------------- checks
  //
  // #selfcheck: states in #twinser-check whether every curve drew (hiding it
  // changes pixels in the plot), how many rows the table holds, and whether
  // sorting and filtering work. #bench: times sorting by every column.
  const settle = () => new Promise(r => setTimeout(r, 30));
  function plotPixels(u) {
    const b = u.bbox;
    return u.ctx.getImageData(Math.round(b.left), Math.round(b.top),
                              Math.max(1, Math.round(b.width)), Math.max(1, Math.round(b.height))).data;
  }
  function inkOf(u, i) {
    const before = plotPixels(u);
    u.setSeries(i, {show: false});
    return settle().then(() => {
      const after = plotPixels(u);
      u.setSeries(i, {show: true});
      let count = 0;
      for (let p = 0; p < before.length; p += 4) {
        if (Math.abs(before[p] - after[p]) + Math.abs(before[p + 1] - after[p + 1]) +
            Math.abs(before[p + 2] - after[p + 2]) + Math.abs(before[p + 3] - after[p + 3]) > 24) count++;
      }
      return settle().then(() => count);
    });
  }
  function timeSorts() {
    const ms = [];
    for (let k = 0; k < heads.length; k++) {
      for (let twice = 0; twice < 2; twice++) {
        const t0 = performance.now();
        sortBy(k);
        void document.body.offsetHeight;  // the layout of the moved rows counts
        ms.push(performance.now() - t0);
      }
    }
    return ms;
  }
  function selfCheck() {
    const result = {ok: true, errors: [], charts: [], rows: items.length, models: models,
                    problems: D.problems.length};
    let chain = Promise.resolve();
    for (const c of charts) {
      chain = chain.then(() => {
        const curves = [];
        let ch = Promise.resolve();
        for (const i of c.inked) ch = ch.then(() => inkOf(c.u, i)).then(ink => curves.push({label: c.u.series[i].label, ink: ink}));
        return ch.then(() => {
          const ok = curves.length > 0 && curves.every(x => x.ink > 0);
          result.charts.push({title: c.title, curves: curves, ok: ok});
          result.ok = result.ok && ok;
        });
      });
    }
    return chain.then(() => {
      // sorting by NSE falling draws the largest on top; a filter of the
      // first basin's name keeps it
      const k = heads.findIndex(h => h[0] === 'NSE');
      sortBy(k); sortBy(k);
      const nseCell = heads.findIndex(h => h[0] === 'NSE');
      const drawn = Array.from(body.children).sort((p, q) => parseFloat(p.style.top) - parseFloat(q.style.top));
      const top = Math.max(...D.rows.map(r => r[COL.nse] === null ? -Infinity : r[COL.nse]));
      result.sort_ok = !items.length ||
        (drawn.length > 0 && drawn[0].children[nseCell].textContent === fmt(top === -Infinity ? null : top, 3));
      if (items.length) {
        filter.value = D.rows[0][B];
        applyFilter();
        result.filter_ok = shown.some(it => it.r === D.rows[0]) &&
          Array.from(body.children).some(tr => tr === items.find(it => it.r === D.rows[0]).tr);
        filter.value = '';
        applyFilter();
      }
      result.ok = result.ok && result.sort_ok && result.filter_ok !== false;
      result.errors = window.twinserErrors.slice();
      if (result.errors.length) result.ok = false;
      el('pre', null, JSON.stringify(result, null, 1), document.body).id = 'twinser-check';
    });
  }
  if (/selfcheck/.test(location.hash)) selfCheck();
  if (/bench/.test(location.hash)) {
    const ms = timeSorts();
    const sorted = ms.slice().sort((a, b) => a - b);
    document.body.dataset.sortMaxMs = sorted[sorted.length - 1].toFixed(1);
    document.body.dataset.sortMinMs = sorted[0].toFixed(1);
    document.body.dataset.sortMedianMs = sorted[sorted.length >> 1].toFixed(1);
    document.body.dataset.sortMeanMs = (ms.reduce((a, b) => a + b, 0) / ms.length).toFixed(1);
    document.body.dataset.rows = String(items.length);
  }
})();
