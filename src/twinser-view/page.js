// twinser page: draws one run from the embedded JSON summary, the two series
// and the lines taking part. Every number written on the page is read from
// the summary, with the unit its field is documented in; every date is the
// summary's own text. The series (packed singles, NaN = missing) feed only
// the drawings. Strings from the inputs (label, file and station names,
// units) reach the page as DOM text or canvas text, never as markup.
(function () {
  'use strict';
  const tStart = performance.now();
  const S = JSON.parse(document.getElementById('twinser-summary').textContent);
  const DRAWN = JSON.parse(document.getElementById('twinser-drawn').textContent);
  const page = document.getElementById('twinser-page');
  const OBS = '#1f4e9c', SIM = '#e8590c', DRIFT = '#2b8a3e', BAR = '#5b7bd5', BAR2 = '#8c6bb1';
  const RES = '#7048e8', FIT = '#2f9e44', ONE = '#111827';
  // marks (maxima, peaks) in darker shades, so the self-check tells a drawn
  // series from its marks
  const OBS_MARK = '#0b2a66', SIM_MARK = '#8a2a00', MISSED = '#c92a2a';
  const charts = []; // every uPlot drawn, with what the self-check expects of it

  // ------------------------------------------------------------ small helpers

  function el(tag, cls, text, parent) {
    const e = document.createElement(tag);
    if (cls) e.className = cls;
    if (text !== undefined && text !== null) e.textContent = String(text);
    if (parent) parent.appendChild(e);
    return e;
  }
  // A number as the page shows it: very large or small magnitudes in
  // exponent form, otherwise fixed decimals; '' for none (the caller says why).
  function fmt(v, digits) {
    if (v === null || v === undefined || typeof v !== 'number' || !isFinite(v)) return 'n/a';
    const a = Math.abs(v);
    if (a !== 0 && (a >= 1e7 || a < Math.pow(10, -digits))) return v.toExponential(3);
    return v.toFixed(digits);
  }
  function get(obj, path) {
    let v = obj;
    for (const k of path.split('.')) v = v === null || v === undefined ? undefined : v[k];
    return v;
  }
  const unit = ((S.series && S.series.observed && S.series.observed.unit) || '').trim() ||
               (S.flow ? 'CMS' : 'MM');
  // The unit each summary field is documented in (docs/json-summary.md);
  // 'unit' is the series unit. A number on the page is written by shown(),
  // which takes its unit from here, so no number goes out with another.
  const UNITS = {
    percent_bias: '%', abs_percent_bias: '%', percent_rms: '%', percent_error: '%',
    percent_difference: '%', overall_bias: '%', flood_bias: '%', flood_rms: '%',
    r: '', nash_r: '', nse: '', kge_2009: '', kge_2012: '', rm: '', ratio: '', n: 'lines',
    obs_mean: 'unit', sim_mean: 'unit', obs_std: 'unit', sim_std: 'unit', obs_cv: '', sim_cv: '',
    rms: 'unit', mae: 'unit', abs_error: 'unit', line_a: 'unit', line_b: '', obs_peak: 'unit',
    sim_peak: 'unit', obs: 'unit', sim: 'unit', diff: 'unit', value: 'unit', lower: 'unit',
    upper: 'unit', threshold: 'unit', mean_peak_diff: 'unit', sd_peak_diff: 'unit',
    time_diff_hours: 'h', mean_time_diff_hours: 'h', sd_time_diff_hours: 'h', hours: 'h',
    obs_mm: 'mm', sim_mm: 'mm', error_mm: 'mm', error_period_mm: 'mm', area_km2: 'km2',
    seasonal_nse: '', mean_flow_kge: '', log_nse: '', log_kge_2012: '', inverse_nse: '',
    inverse_kge_2012: '', high_volume_bias: '%', mid_slope_bias: '%', low_volume_bias: '%',
  };
  // the field a number stands for: an interval bound is in its measure's
  // unit, a duration-curve segment's value is its bias
  function fieldOf(path) {
    const p = path.split('.'), last = p[p.length - 1], parent = p[p.length - 2] || '';
    if (/^(p05|p95|median|jackknife_se)$/.test(last)) return parent;
    if (last === 'value' && /_bias$/.test(parent)) return parent;
    return last;
  }
  function unitOf(field) {
    const u = UNITS[field];
    return u === 'unit' ? unit : u === undefined ? '' : u;
  }
  // A number of the summary as a span: data-key (its path, for the
  // self-check), data-field (the documented field) and data-unit; the unit is
  // written after the number. `what` words a value the run could not compute.
  function shown(parent, path, digits, what) {
    const field = fieldOf(path);
    const u = unitOf(field), v = get(S, path);
    const e = el('span', 'num', null, parent);
    e.dataset.key = path;
    e.dataset.field = field;
    e.dataset.unit = u;
    e.dataset.digits = digits;
    const ok = typeof v === 'number' && isFinite(v);
    e.textContent = ok ? fmt(v, digits) + (u && u !== 'lines' ? (u === '%' ? ' %' : ' ' + u) : '')
                       : (what || 'not computed');
    return e;
  }
  // a table cell holding shown(); plain cells take text
  function table(parent, head, rows, limit) {
    const box = el('div', rows.length > 25 ? 'scroll' : null, null, parent);
    const t = el('table', null, null, box);
    const tr = el('tr', null, null, el('thead', null, null, t));
    for (const h of head) el('th', null, h, tr);
    const body = el('tbody', null, null, t);
    const shownRows = limit && rows.length > limit ? rows.slice(0, limit) : rows;
    for (const r of shownRows) {
      const row = el('tr', null, null, body);
      for (const c of r) {
        const td = el('td', null, null, row);
        if (typeof c === 'function') c(td);
        else td.textContent = c === null || c === undefined ? '' : String(c);
      }
    }
    if (shownRows.length < rows.length)
      el('p', 'note', 'The first ' + shownRows.length + ' of ' + rows.length + ' rows.', parent);
    return t;
  }
  const cell = (path, digits, what) => td => shown(td, path, digits, what);
  function key(parent, items) { // [[colour, text, shape]]: what the marks of a chart mean
    const p = el('p', 'key', null, parent);
    for (const [c, text, shape] of items) {
      const sw = el('span', 'sw' + (shape ? ' ' + shape : ''), null, p);
      if (shape === 'line' || shape === 'dash') sw.style.borderColor = c;
      else sw.style.background = c;
      p.appendChild(document.createTextNode(text));
    }
    return p;
  }
  function toggle(parent, text, on, change) {
    const label = el('label', 'toggle', null, parent);
    const box = el('input', null, null, label);
    box.type = 'checkbox';
    box.checked = on;
    label.appendChild(document.createTextNode(' ' + text));
    box.addEventListener('change', () => change(box.checked));
    return box;
  }

  // ------------------------------------------------------------------ series

  function bytesOf(id) {
    const text = document.getElementById(id).textContent.trim();
    if (typeof Uint8Array.fromBase64 === 'function') return Uint8Array.fromBase64(text);
    const bin = atob(text), bytes = new Uint8Array(bin.length);
    for (let i = 0; i < bin.length; i++) bytes[i] = bin.charCodeAt(i);
    return bytes;
  }
  // inflates with the browser's own DecompressionStream (zlib format)
  async function inflate(id) {
    const packed = bytesOf(id);
    const stream = new ReadableStream({start(c) { c.enqueue(packed); c.close(); }})
      .pipeThrough(new DecompressionStream('deflate'));
    const reader = stream.getReader(), parts = [];
    let size = 0;
    for (;;) {
      const {done, value} = await reader.read();
      if (done) break;
      parts.push(value);
      size += value.length;
    }
    if (parts.length === 1) return parts[0];
    const all = new Uint8Array(size);
    let at = 0;
    for (const p of parts) { all.set(p, at); at += p.length; }
    return all;
  }
  // The words of a series of as many lines as `part` (the lines taking part,
  // one byte a line) holds: low and high bytes of each zigzagged difference,
  // summed; where both are 0xFF the line's own word follows the 2 x lines
  // bytes instead. The words read as singles (page.h says how the writer
  // packs them).
  async function series(id, part) {
    const [p, q] = await Promise.all([inflate(id), part]), n = q.length;
    const words = new Uint32Array(n);
    let w = 0, e = 2 * n;
    for (let i = 0; i < n; i++) {
      const c = p[i] | p[n + i] << 8;
      if (c === 0xFFFF) {
        w = (p[e] | p[e + 1] << 8 | p[e + 2] << 16 | p[e + 3] << 24) >>> 0;
        e += 4;
      } else {
        w = (w + ((c >>> 1) ^ -(c & 1))) >>> 0;
      }
      words[i] = w;
    }
    return new Float32Array(words.buffer);
  }

  const P = S.period || {};
  const flow = S.flow === true, temperature = S.temperature === true;
  const valueLabel = temperature ? 'Temperature (' + unit + ')' :
                     flow ? 'Discharge (' + unit + ')' : 'Depth (' + unit + ')';
  const what = temperature ? 'temperature' : flow ? 'discharge' : 'depth';
  // The clock of the lines, from the summary: line i ends lines_per_day into
  // day floor(i / lines_per_day) of the period, at hour min((i mod
  // lines_per_day + 1) x step, 24); drawn as UTC so no daylight-saving shift
  // bends the axis.
  const day0 = typeof P.first_day_unix_seconds === 'number' ? P.first_day_unix_seconds : 0;
  const perDay = P.lines_per_day || 1, stepH = P.step_hours || 24, stepSec = stepH * 3600;
  const timeOf = i => day0 + Math.floor(i / perDay) * 86400 + Math.min((i % perDay + 1) * stepH, 24) * 3600;
  const lineAt = t => {
    const d = Math.floor((t - day0) / 86400);
    return d * perDay + Math.min(perDay - 1, (t - day0 - d * 86400) / stepSec - 1);
  };
  let obs, sim, part, N = 0; // set once unpacked

  // --------------------------------------------- min/max decimation for drawing
  //
  // A drawing holds at most about 2 x BUCKETS points: each bucket of lines
  // gives its smallest and largest value in the order they occur, so every peak
  // stays visible. The whole stretch is cut into fixed coarse buckets once;
  // zooming in redraws the visible part from the full data in finer buckets
  // and keeps the coarse ones outside it. A bucket holding a missing line
  // breaks the line there, so no gap hides at any zoom. Lines from `first`.
  const BUCKETS = 2000;

  function reducer(arrays, gaps, first, buckets) {
    first = first || 0;
    buckets = buckets || BUCKETS;
    const n = arrays.length ? arrays[0].length : 0;
    const coarse = Math.max(1, Math.ceil(n / buckets));
    const tx = i => timeOf(first + i);
    function bucket(out, s, e) {
      const x = out[0];
      if (e - s === 1) { // one line: its own value, or a gap
        x.push(tx(s));
        for (let k = 0; k < arrays.length; k++) {
          const v = arrays[k][s];
          out[k + 1].push(isFinite(v) ? v : null);
        }
        return;
      }
      x.push(tx(s), tx(e - 1));
      let broken = false;
      const holes = [];
      for (let k = 0; k < arrays.length; k++) {
        const a = arrays[k];
        let lo = Infinity, hi = -Infinity, ilo = -1, ihi = -1, hole = false;
        for (let i = s; i < e; i++) {
          const v = a[i];
          if (!isFinite(v)) { hole = true; continue; }
          if (v < lo) { lo = v; ilo = i; }
          if (v > hi) { hi = v; ihi = i; }
        }
        const y = out[k + 1];
        if (ilo < 0) y.push(null, null);
        else if (ilo <= ihi) y.push(lo, hi);
        else y.push(hi, lo);
        holes.push(hole && ilo >= 0 && gaps);
        broken = broken || holes[k];
      }
      if (broken) { // a null ends the line of a series with a hole; others pass
        x.push(tx(e - 1) + stepSec / 2);
        for (let k = 0; k < arrays.length; k++) out[k + 1].push(holes[k] ? null : undefined);
      }
    }
    function run(out, from, to, size) {
      for (let s = from; s < to; s += size) bucket(out, s, Math.min(to, s + size));
    }
    const whole = [[]], at = new Int32Array(Math.ceil(n / coarse) + 1);
    for (let k = 0; k < arrays.length; k++) whole.push([]);
    for (let b = 0; b * coarse < n; b++) {
      at[b] = whole[0].length;
      bucket(whole, b * coarse, Math.min(n, (b + 1) * coarse));
    }
    at[at.length - 1] = whole[0].length;
    // time range in view: fine buckets there, coarse ones elsewhere
    const view = function (t0, t1) {
      const i0 = Math.max(0, Math.floor(lineAt(t0)) - first), i1 = Math.min(n, Math.ceil(lineAt(t1)) + 2 - first);
      const lo = Math.max(0, Math.floor(i0 / coarse) * coarse);
      const hi = Math.min(n, Math.ceil(i1 / coarse) * coarse);
      if (!(lo < hi)) return whole.map(a => a.slice());
      const out = whole.map(a => a.slice(0, at[lo / coarse]));
      run(out, lo, hi, Math.max(1, Math.ceil((hi - lo) / buckets)));
      const rest = at[Math.ceil(hi / coarse)];
      out.forEach((a, k) => { for (let j = rest; j < whole[k].length; j++) a.push(whole[k][j]); });
      return out;
    };
    view.whole = whole; // the coarse buckets of the whole stretch
    return view;
  }

  // The residual, simulated minus observed, of the lines in a time range
  // only, in buckets of their smallest and largest value (the pane follows
  // the detail chart, so it never needs the rest).
  function residualIn(t0, t1) {
    const i0 = Math.max(0, Math.floor(lineAt(t0))), i1 = Math.min(N, Math.ceil(lineAt(t1)) + 2);
    const size = Math.max(1, Math.ceil((i1 - i0) / BUCKETS)), x = [], y = [];
    for (let s = i0; s < i1; s += size) {
      const e = Math.min(i1, s + size);
      let lo = Infinity, hi = -Infinity, ilo = -1, ihi = -1, hole = false;
      for (let i = s; i < e; i++) {
        const v = sim[i] - obs[i];
        if (!isFinite(v)) { hole = true; continue; }
        if (v < lo) { lo = v; ilo = i; }
        if (v > hi) { hi = v; ihi = i; }
      }
      if (ilo < 0) { x.push(timeOf(s)); y.push(null); continue; }
      if (e - s === 1) { x.push(timeOf(s)); y.push(lo); continue; }
      x.push(timeOf(s), timeOf(e - 1));
      if (ilo <= ihi) y.push(lo, hi); else y.push(hi, lo);
      if (hole) { x.push(timeOf(e - 1) + stepSec / 2); y.push(null); }
    }
    return [x, y];
  }

  // On a log axis a value of 0 or below has no place: it is drawn at the
  // axis floor, a power of ten under the smallest positive value, and the
  // chart's key says so.
  function floorOf(arrays) {
    let lo = Infinity;
    for (const a of arrays) for (let i = 0; i < a.length; i++) { const v = a[i]; if (v > 0 && v < lo) lo = v; }
    return isFinite(lo) ? Math.pow(10, Math.floor(Math.log10(lo))) : 1;
  }
  function toFloor(d, floor, from) {
    for (let k = from; k < d.length; k++)
      d[k] = d[k].map(v => (typeof v === 'number' && v <= 0 ? floor : v));
    return d;
  }

  // Redraws from the full data whenever the x range changes (drag zoom, double
  // click, the overview brush); `auto` keeps the range chosen while the data
  // is swapped; `after` hears every new range.
  let refineMs = 0; // time of the latest redraw from the full data, for the benchmark
  function refining(build, after) {
    let swapping = false, last = null;
    return {
      auto: () => !swapping,
      first: function (mn, mx) {
        const d = build(mn, mx);
        if (d[0].length) last = [d[0][0], d[0][d[0].length - 1]];
        return d;
      },
      hook: function (u, scaleKey) {
        if (scaleKey !== 'x') return;
        const mn = u.scales.x.min, mx = u.scales.x.max;
        if (mn === null || mx === null) return;
        if (last && last[0] === mn && last[1] === mx) return;
        last = [mn, mx];
        const t = performance.now();
        swapping = true;
        u.setData(build(mn, mx), false);
        u.setScale('x', {min: mn, max: mx});
        swapping = false;
        refineMs = performance.now() - t;
        if (after) after(mn, mx);
      },
    };
  }

  function chartBox(parent) { return el('div', 'chart', null, parent); }
  const pageWidth = (function () { // read once (every read lays the page out)
    const probe = el('div', null, null, page), w = probe.clientWidth;
    page.removeChild(probe);
    return w || 1100;
  })();
  function width(box) {
    return Math.max(320, box.parentNode === page ? pageWidth : Math.floor((pageWidth - 18) / 2));
  }
  // `slot` names a chart that may be drawn again (a log toggle): the newer
  // one takes its place in the self-check
  function record(u, title, inked, isBars) {
    const i = charts.findIndex(c => c.title === title);
    const c = {u: u, title: title, inked: inked, bars: !!isBars};
    if (i >= 0) charts[i] = c; else charts.push(c);
    return u;
  }
  const utc = ts => uPlot.tzDate(new Date(ts * 1e3), 'Etc/UTC');
  const DAY = 86400;
  const timeTicks = [
    [DAY * 365, '{YYYY}', null, null, null, null, null, null, 1],
    [DAY * 28, '{MMM}', '\n{YYYY}', null, null, null, null, null, 1],
    [DAY, '{MMM} {D}', '\n{YYYY}', null, null, null, null, null, 1],
    [3600, '{HH}:{mm}', '\n{MMM} {D} {YYYY}', null, '\n{MMM} {D}', null, null, null, 1],
    [60, '{HH}:{mm}', '\n{MMM} {D} {YYYY}', null, '\n{MMM} {D}', null, null, null, 1],
  ];
  function clip(u, draw) {
    const ctx = u.ctx, b = u.bbox;
    ctx.save(); ctx.beginPath(); ctx.rect(b.left, b.top, b.width, b.height); ctx.clip();
    draw(ctx, b); ctx.restore();
  }
  function dot(u, x, y, colour, shape, scaleY) {
    if (x === null || y === null || !isFinite(x) || !isFinite(y)) return;
    const px = u.valToPos(x, 'x', true), py = u.valToPos(y, scaleY || 'y', true);
    const d = 5 * devicePixelRatio, ctx = u.ctx;
    ctx.beginPath();
    if (shape === 'triangle' || shape === 'open') {
      ctx.moveTo(px, py - d * 1.3); ctx.lineTo(px - d, py + d * 0.7); ctx.lineTo(px + d, py + d * 0.7);
      ctx.closePath();
    } else if (shape === 'diamond') {
      ctx.moveTo(px, py - d); ctx.lineTo(px + d, py); ctx.lineTo(px, py + d); ctx.lineTo(px - d, py);
      ctx.closePath();
    } else ctx.arc(px, py, d, 0, 2 * Math.PI);
    if (shape === 'open') {
      ctx.strokeStyle = colour; ctx.lineWidth = 2 * devicePixelRatio; ctx.stroke();
      ctx.beginPath(); ctx.moveTo(px - d, py - d); ctx.lineTo(px + d, py + d);
      ctx.moveTo(px + d, py - d); ctx.lineTo(px - d, py + d); ctx.stroke();
      return;
    }
    ctx.fillStyle = colour; ctx.strokeStyle = '#fff'; ctx.lineWidth = devicePixelRatio;
    ctx.fill(); ctx.stroke();
  }
  function label(u, text, px, py, colour, align) {
    const ctx = u.ctx;
    ctx.font = (12 * devicePixelRatio) + 'px system-ui, sans-serif';
    ctx.textAlign = align || 'left';
    ctx.lineWidth = 3 * devicePixelRatio; ctx.strokeStyle = 'rgba(255,255,255,0.85)';
    ctx.strokeText(text, px, py);
    ctx.fillStyle = colour; ctx.fillText(text, px, py);
  }

  // ------------------------------------------------------------------ header

  const HEADLINES = [
    ['percent_bias', 'Percent bias', 2], ['r', 'R, correlation', 3],
    ['nash_r', 'Nash-Sutcliffe r, as in the report', 3], ['nse', 'NSE, textbook', 3],
    ['kge_2009', 'KGE (2009)', 3]];

  function header() {
    const title = S.label || S.control_file || '';
    document.title = S.label ? S.label + ' (' + (S.control_file || '') + ')' : (S.control_file || '');
    el('h1', null, title, page);
    el('p', 'sub', 'Control file ' + (S.control_file || '') + ' · report ' + (S.report_file || '') +
       ' · written by ' + ((S.tool || {}).name || 'twinser-view') + ' ' + ((S.tool || {}).version || ''), page);
    const dl = el('dl', 'facts', null, page);
    function fact(name, text) { el('dt', null, name, dl); return el('dd', null, text, dl); }
    for (const [name, k] of [['Observed series', 'observed'], ['Simulated series', 'simulated']]) {
      const f = (S.series && S.series[k]) || {};
      fact(name, (f.file || '') + ' · station ' + (f.station || '') + ' · unit ' + (f.unit || '') +
           ' · step ' + f.step_hours + ' h · ' + f.first + ' to ' + f.last);
    }
    fact('Analysis period', (P.first_date || P.first) + ' to ' + (P.last_date || P.last) + ' · step ' +
         P.step_hours + ' h · ' + P.lines + ' lines');
    fact('Dates', 'Each value is dated by the end of its step' +
         (stepH >= 24 ? ' (a day\'s value by its day).' : '; midnight is 24:00 of the day that ends.'));
    const area = fact('Basin area', '');
    if (flow) { shown(area, 'area_km2', 2); area.appendChild(document.createTextNode(' (values are flows in ' + unit + ')')); }
    else area.textContent = 'none (values are ' + (temperature ? 'temperatures' : 'depths') + ' in ' + unit + ')';
    fact('Good hours', String(P.good_hours));
    fact('Missing hours', String(P.missing_hours));
    const box = el('div', 'headlines', null, page);
    const w = S.whole_period || {}, unc = w.uncertainty, bench = w.benchmark;
    for (const [k, name, digits] of HEADLINES) {
      const h = el('div', 'headline', null, box);
      const v = shown(h, 'whole_period.' + k, digits);
      v.classList.add('value');
      el('span', 'label', name, h);
      const q = unc && !unc.reason && unc[k];
      if (q && typeof q.p05 === 'number' && typeof q.p95 === 'number') {
        const s = el('span', 'small interval', '90 % interval ', h);
        shown(s, 'whole_period.uncertainty.' + k + '.p05', digits);
        s.appendChild(document.createTextNode(' to '));
        shown(s, 'whole_period.uncertainty.' + k + '.p95', digits);
      }
      if (bench && k === 'nse' && typeof bench.seasonal_nse === 'number') {
        const s = el('span', 'small bench', 'against the seasonal benchmark (' + (bench.seasonal_basis || '') +
                     ' means): skill ', h);
        shown(s, 'whole_period.benchmark.seasonal_nse', 3);
        s.appendChild(document.createTextNode(bench.seasonal_nse > 0 ? ', beats it' : ', does not beat it'));
      } else if (bench && k === 'nse' && bench.seasonal_nse_reason)
        el('span', 'small bench', 'seasonal benchmark: ' + bench.seasonal_nse_reason, h);
      if (bench && k === 'kge_2009' && typeof bench.mean_flow_kge === 'number') {
        const s = el('span', 'small bench', 'mean-flow benchmark ', h);
        shown(s, 'whole_period.benchmark.mean_flow_kge', 2);
        if (typeof w.kge_2009 === 'number')
          s.appendChild(document.createTextNode(w.kge_2009 > bench.mean_flow_kge ? ', beats it' : ', does not beat it'));
      }
    }
    if (unc && unc.reason) el('p', 'note', 'No intervals: ' + unc.reason + '.', page);
    else if (unc) el('p', 'note', '90 % intervals: ' + unc.method + ', ' + unc.resamples + ' resamples of ' +
                     unc.years + ' years.', page);
    el('p', 'note', 'The multi-year row: lines where either value is negative (missing among them) ' +
       (temperature ? 'take part, as the series are temperatures.' : 'take no part.'), page);
  }

  function wholePeriod(parent) {
    const rows = [['lines taking part', 'n', 0], ['percent bias', 'percent_bias', 3],
      ['absolute percent bias', 'abs_percent_bias', 3], ['observed mean', 'obs_mean', 3],
      ['simulated mean', 'sim_mean', 3], ['observed std', 'obs_std', 3], ['simulated std', 'sim_std', 3],
      ['observed Cv', 'obs_cv', 3], ['simulated Cv', 'sim_cv', 3], ['percent RMS', 'percent_rms', 2],
      ['RMS', 'rms', 3], ['mean absolute error', 'mae', 3], ['R, correlation', 'r', 4],
      ['Nash-Sutcliffe r', 'nash_r', 4], ['NSE, textbook', 'nse', 4], ['Rm, modified R', 'rm', 4],
      ['KGE (2009)', 'kge_2009', 4], ['KGE (2012)', 'kge_2012', 4],
      ['best line fit A', 'line_a', 4], ['best line fit B', 'line_b', 4]];
    const lf = (S.whole_period || {}).low_flow;
    const box = el('div', null, null, parent);
    el('h3', null, 'Whole period', box);
    const all = rows.map(([name, k, d]) => [name, cell('whole_period.' + k, d)]);
    if (lf && !lf.reason)
      for (const [name, k] of [['NSE of ln(q + offset)', 'log_nse'], ['KGE (2012) of ln(q + offset)', 'log_kge_2012'],
                               ['NSE of 1 / (q + offset)', 'inverse_nse'], ['KGE (2012) of 1 / (q + offset)', 'inverse_kge_2012']])
        all.push([name, cell('whole_period.low_flow.' + k, 4)]);
    table(box, ['measure', 'value'], all);
  }

  function eventsOf(letter) {
    return (S.selections || []).filter(s => s.letter && s.letter.toUpperCase() === letter && !s.refused);
  }

  // ---------------------------------------------- detail, residuals, overview
  //
  // The detail chart shows a window (the first water year, or the whole
  // record when it is short); the overview strip below shows the whole record
  // and its window, and dragging over it moves the window; the residual pane
  // shares the detail chart's time axis.
  let detail = null, residual = null, overview = null;
  let wholeBuckets = null; // the detail chart's coarse buckets of the whole record: [x, sim, obs]
  function windowTo(t0, t1) {
    if (detail) detail.setScale('x', {min: t0, max: t1});
  }
  function firstWindow() {
    const wy = P.first_water_year;
    if (wy && N > 3 * (wy.end_line - wy.first_line)) return [timeOf(wy.first_line), timeOf(wy.end_line - 1)];
    return [timeOf(0), timeOf(N - 1)];
  }

  function hydrograph() {
    el('h2', null, 'Hydrograph', page);
    const bar = el('div', 'controls', null, page);
    const box = chartBox(page), resBox = chartBox(page), ovBox = chartBox(page);
    const keyBox = el('div', null, null, page);
    const events = [].concat(...eventsOf('G').map(s => s.events || []));
    const peaks = [].concat(...eventsOf('H').map(s => s.peaks || []));
    const reduce = reducer([sim, obs], true);
    wholeBuckets = reduce.whole;
    const floor = floorOf([obs, sim]);
    let log = false;
    let range = firstWindow();

    function makeDetail() {
      if (detail) { range = [detail.scales.x.min, detail.scales.x.max]; detail.destroy(); box.textContent = ''; }
      const build = (mn, mx) => (log ? toFloor(reduce(mn, mx), floor, 1) : reduce(mn, mx));
      const r = refining(build, (mn, mx) => {
        if (residual) residual.setScale('x', {min: mn, max: mx});
        if (overview) overview.redraw(false);
      });
      detail = new uPlot({
        title: 'Observed and simulated ' + what + ' (drag to zoom, double click for the whole period)',
        width: width(box), height: 340, tzDate: utc,
        scales: {x: {time: true, auto: r.auto}, y: log ? {distr: 3} : {}},
        cursor: {sync: {key: 'detail'}},
        // the simulation first, so the observation lies over it
        series: [{label: 'Time', value: (u, v) => (v === null ? '' : dateAt(v))},
                 {label: 'Simulated', stroke: SIM, width: 1, spanGaps: false},
                 {label: 'Observed', stroke: OBS, width: 1, spanGaps: false}],
        axes: [{label: 'Time (end of each step)', values: timeTicks},
               {label: valueLabel + (log ? ', log scale' : ''), size: 64}],
        hooks: {
          setScale: [r.hook],
          drawClear: [u => clip(u, (ctx, b) => { // event windows of G, behind the series
            ctx.fillStyle = 'rgba(250, 204, 21, 0.22)';
            for (const e of events) {
              const x0 = u.valToPos(timeOf(Math.max(0, e.first_line)), 'x', true);
              const x1 = u.valToPos(timeOf(e.end_line - 1), 'x', true);
              ctx.fillRect(x0, b.top, Math.max(1, x1 - x0), b.height);
            }
          })],
          draw: [u => clip(u, () => {
            const y = v => (log && v <= 0 ? floor : v);
            for (const e of events) {
              const m = e.maxima || {};
              if (typeof m.obs_line === 'number') dot(u, timeOf(m.obs_line), y(m.obs_peak), OBS_MARK, 'circle');
              if (typeof m.sim_line === 'number') dot(u, timeOf(m.sim_line), y(m.sim_peak), SIM_MARK, 'circle');
            }
            for (const p of peaks) {
              if (typeof p.obs_line !== 'number') continue;
              dot(u, timeOf(p.obs_line), y(p.obs_peak), p.missed ? MISSED : OBS_MARK, p.missed ? 'open' : 'triangle');
              if (!p.missed && typeof p.sim_line === 'number') dot(u, timeOf(p.sim_line), y(p.sim_peak), SIM_MARK, 'triangle');
            }
          })],
        },
      // the window's data from the start: fine buckets there, coarse ones
      // elsewhere, so a double click still finds the whole period
      }, r.first(range[0], range[1]), box);
      detail.setScale('x', {min: range[0], max: range[1]});
      record(detail, 'hydrograph', [1, 2]);
      if (overview) overview.redraw(false);
    }
    toggle(bar, 'log scale', false, on => { log = on; makeDetail(); });
    el('span', 'note', ' · the window: drag over the overview strip below, or click an event further down', bar);
    makeDetail();

    // residuals, simulated minus observed, on the detail chart's time axis
    const rr = refining(residualIn);
    residual = new uPlot({
      title: 'Residual, simulated minus observed',
      width: width(resBox), height: 150, tzDate: utc,
      scales: {x: {time: true, auto: rr.auto}},
      cursor: {sync: {key: 'detail'}, drag: {x: false, y: false}},
      legend: {show: false},
      series: [{label: 'Time'}, {label: 'Residual', stroke: RES, width: 1, spanGaps: false}],
      axes: [{values: timeTicks}, {label: 'Residual (' + unit + ')', size: 64}],
      hooks: {setScale: [rr.hook],
              drawClear: [u => clip(u, (ctx, b) => {
                const y0 = u.valToPos(0, 'y', true);
                ctx.strokeStyle = '#868e96'; ctx.lineWidth = devicePixelRatio;
                ctx.beginPath(); ctx.moveTo(b.left, y0); ctx.lineTo(b.left + b.width, y0); ctx.stroke();
              })]},
    }, rr.first(detail.scales.x.min, detail.scales.x.max), resBox);
    residual.setScale('x', {min: detail.scales.x.min, max: detail.scales.x.max});
    record(residual, 'residual', [1]);

    // the overview strip: the whole record; dragging over it sets the window
    const whole = [reduce.whole[0], reduce.whole[2]];
    overview = new uPlot({
      title: 'Whole record: drag over it to choose the window above',
      width: width(ovBox), height: 120, tzDate: utc,
      scales: {x: {time: true}},
      cursor: {drag: {x: true, y: false, setScale: false}, points: {show: false}},
      legend: {show: false},
      series: [{label: 'Time'}, {label: 'Observed', stroke: OBS, width: 1, spanGaps: false}],
      axes: [{values: timeTicks}, {size: 64, ticks: {show: false}, values: (u, v) => v.map(() => '')}],
      hooks: {
        setSelect: [u => {
          if (u.select.width < 2) return;
          const t0 = u.posToVal(u.select.left, 'x'), t1 = u.posToVal(u.select.left + u.select.width, 'x');
          u.setSelect({left: 0, width: 0, top: 0, height: 0}, false);
          windowTo(t0, t1);
        }],
        draw: [u => clip(u, (ctx, b) => { // the detail chart's window
          if (!detail) return;
          const x0 = u.valToPos(detail.scales.x.min, 'x', true), x1 = u.valToPos(detail.scales.x.max, 'x', true);
          ctx.fillStyle = 'rgba(31, 78, 156, 0.12)'; ctx.strokeStyle = OBS; ctx.lineWidth = devicePixelRatio;
          ctx.fillRect(x0, b.top, Math.max(2, x1 - x0), b.height);
          ctx.strokeRect(x0, b.top, Math.max(2, x1 - x0), b.height);
        })],
      },
    }, whole, ovBox);
    record(overview, 'overview', [1]);

    const items = [[OBS, 'observed, drawn over', 'line'], [SIM, 'simulated', 'line']];
    if (events.length) items.push(['rgba(250, 204, 21, 0.45)', 'event windows (' + events.length +
                                   '), dots: largest value of each series in the window']);
    if (peaks.length) items.push([OBS_MARK, 'triangles: observed peaks over the threshold (' + peaks.length +
                                  ') and their simulated matches']);
    if (peaks.some(p => p.missed)) items.push([MISSED, 'crossed triangle: a peak the simulation missed']);
    items.push(['#fff', 'gaps: missing values']);
    key(keyBox, items);
    const k2 = key(keyBox, [[RES, 'residual, simulated minus observed (' + unit + ')', 'line']]);
    el('span', 'floor-note', ' On the log scale, values of 0 or below are drawn at the axis floor (' +
       fmt(floor, 6).replace(/\.?0+$/, '') + ' ' + unit + ').', k2);
  }
  // The cursor's readout of a time on the axis, in the summary's date form:
  // the end of a step at midnight reads as 24:00 of the day that ends (the
  // chart library's clock text, not a date of the page's own making).
  function dateAt(t) {
    const midnight = t % 86400 === 0;
    const text = new Date((midnight ? t - 1 : t) * 1000).toISOString();
    if (stepH >= 24) return text.slice(0, 10);
    return text.slice(0, 10) + ' ' + (midnight ? '24:00' : text.slice(11, 16));
  }

  // ------------------------------------------------------------- events up close

  function eventGrid() {
    const list = eventsOf('G');
    const events = [].concat(...list.map(s => s.events || []));
    if (!events.length) return;
    el('h2', null, 'Each event up close', page);
    el('p', 'note', 'Observed and simulated over each event window of G; dots: the largest values, diamonds: ' +
       'the centres of mass. A click on an event moves the hydrograph to its window.', page);
    const grid = el('div', 'events', null, page);
    const LIMIT = 48;
    events.slice(0, LIMIT).forEach((e, k) => {
      const box = el('div', 'event', null, grid);
      box.dataset.event = k;
      const m = e.maxima || {}, c = e.centre || {};
      const a = Math.max(0, e.first_line), b = Math.min(N, e.end_line);
      // a window of many coarse buckets (an event of decades) takes those
      // of the detail chart; a shorter one is cut into buckets of its own
      const coarse = Math.max(1, Math.ceil(N / BUCKETS));
      let data;
      if (b - a > 200 * coarse && wholeBuckets) {
        const t0 = timeOf(a), t1 = timeOf(b - 1), keep = [];
        wholeBuckets[0].forEach((x, j) => { if (x >= t0 && x <= t1) keep.push(j); });
        data = wholeBuckets.map(col => keep.map(j => col[j]));
      } else data = b > a ? reducer([sim.subarray(a, b), obs.subarray(a, b)], true, a, 400)(timeOf(a), timeOf(b - 1))
                          : [[], [], []];
      const head = el('p', 'event-head', 'Event ' + e.number + ': ' + (e.first_date || '') + ' to ' + (e.last_date || ''), box);
      head.appendChild(document.createElement('br'));
      if (typeof m.time_diff_hours === 'number')
        head.appendChild(document.createTextNode('peak shift ' + (m.time_diff_hours > 0 ? '+' : '') + m.time_diff_hours +
          ' h (simulated ' + (m.time_diff_hours > 0 ? 'late' : m.time_diff_hours < 0 ? 'early' : 'on time') + ')'));
      const u = new uPlot({
        width: Math.max(260, Math.floor((pageWidth - 40) / 3)), height: 170, tzDate: utc,
        scales: {x: {time: true}},
        legend: {show: false}, cursor: {show: false},
        series: [{}, {stroke: SIM, width: 1}, {stroke: OBS, width: 1}],
        axes: [{values: timeTicks, size: 36}, {size: 50}],
        hooks: {draw: [u => clip(u, () => {
          if (typeof m.obs_line === 'number') dot(u, timeOf(m.obs_line), m.obs_peak, OBS_MARK, 'circle');
          if (typeof m.sim_line === 'number') dot(u, timeOf(m.sim_line), m.sim_peak, SIM_MARK, 'circle');
          const mid = u.scales.y.min + (u.scales.y.max - u.scales.y.min) * 0.08;
          if (typeof c.obs_line === 'number') dot(u, timeOf(c.obs_line), mid, OBS_MARK, 'diamond');
          if (typeof c.sim_line === 'number') dot(u, timeOf(c.sim_line), mid, SIM_MARK, 'diamond');
        })]},
      }, data, box);
      record(u, 'event ' + e.number, [1, 2]);
      box.addEventListener('click', () => {
        const pad = Math.max(stepSec, (timeOf(b - 1) - timeOf(a)) * 0.1);
        windowTo(timeOf(a) - pad, timeOf(b - 1) + pad);
        if (detail) detail.root.scrollIntoView({block: 'center'});
      });
    });
    if (events.length > LIMIT) el('p', 'note', 'The first ' + LIMIT + ' of ' + events.length + ' events.', page);
    key(page, [[OBS, 'observed', 'line'], [SIM, 'simulated', 'line'], [OBS_MARK, 'dot: largest observed value; diamond: observed centre of mass'],
               [SIM_MARK, 'dot: largest simulated value; diamond: simulated centre of mass']]);
  }

  // ------------------------------------------------------------------ scatter

  // Few lines: one dot each. Many: the density of lines in the cells of a
  // grid, shaded by count, so a long record is not a blob at the origin.
  const DENSITY_ABOVE = 3000, GRID = 120;
  function scatter(parent) {
    const wrap = el('div', null, null, parent);
    const bar = el('div', 'controls', null, wrap);
    const box = chartBox(wrap), keyBox = el('div', null, null, wrap);
    const w = S.whole_period || {};
    let n = 0;
    for (let i = 0; i < N; i++) n += part[i];
    const xs = new Float32Array(n), ys = new Float32Array(n);
    for (let i = 0, k = 0; i < N; i++) if (part[i]) { xs[k] = obs[i]; ys[k++] = sim[i]; }
    const dense = n > DENSITY_ABOVE;
    const floor = floorOf([xs, ys]);
    let u = null;
    function make(log) {
      if (u) { u.destroy(); box.textContent = ''; keyBox.textContent = ''; }
      const X = log ? xs.map(v => (v <= 0 ? floor : v)) : xs, Y = log ? ys.map(v => (v <= 0 ? floor : v)) : ys;
      let xlo = Infinity, xhi = -Infinity, ylo = Infinity, yhi = -Infinity;
      for (let i = 0; i < n; i++) {
        const x = X[i], y = Y[i];
        if (x < xlo) xlo = x; if (x > xhi) xhi = x; if (y < ylo) ylo = y; if (y > yhi) yhi = y;
      }
      let lo = Math.min(xlo, ylo), hi = Math.max(xhi, yhi);
      if (!(lo <= hi)) { lo = log ? 1 : 0; hi = 1; }
      const ends = [lo, hi];
      // obs = A + B sim, so sim = (obs - A) / B
      const fitOk = typeof w.line_a === 'number' && typeof w.line_b === 'number' && w.line_b !== 0;
      const pos = (u, v, s) => u.valToPos(log && v <= 0 ? floor : v, s, true);
      function cells(u, ctx) {
        const b = u.bbox, counts = new Int32Array(GRID * GRID);
        // the cell of a value straight from the scale's ends (a call of
        // valToPos per line would take most of the chart's time)
        const f = log ? Math.log10 : (v => v);
        const x0 = f(u.scales.x.min), xk = GRID / (f(u.scales.x.max) - x0);
        const y1 = f(u.scales.y.max), yk = GRID / (y1 - f(u.scales.y.min));
        let top = 0;
        for (let i = 0; i < n; i++) {
          const cx = Math.floor((f(X[i]) - x0) * xk), cy = Math.floor((y1 - f(Y[i])) * yk);
          if (!(cx >= 0 && cy >= 0 && cx < GRID && cy < GRID)) continue;
          const c = ++counts[cy * GRID + cx];
          if (c > top) top = c;
        }
        const cw = b.width / GRID, ch = b.height / GRID, lt = Math.log(top + 1);
        for (let k = 0; k < counts.length; k++) {
          if (!counts[k]) continue;
          const t = Math.log(counts[k] + 1) / lt;
          ctx.fillStyle = 'rgba(31, 78, 156, ' + (0.15 + 0.85 * t).toFixed(3) + ')';
          ctx.fillRect(b.left + (k % GRID) * cw, b.top + Math.floor(k / GRID) * ch, Math.ceil(cw), Math.ceil(ch));
        }
        return top;
      }
      let topCount = 0;
      u = new uPlot({
        title: 'Simulated against observed',
        width: 640, height: 500,
        scales: {x: log ? {time: false, distr: 3} : {time: false, range: () => uPlot.rangeNum(Math.min(0, lo), hi, 0.05, true)},
                 y: log ? {distr: 3} : {range: () => uPlot.rangeNum(Math.min(0, lo), hi, 0.05, true)}},
        cursor: {drag: {x: false, y: false}},
        legend: {show: false},
        series: [{}, {stroke: 'rgba(31, 78, 156, 0.9)', points: {show: false},
                      paths: (u, si, i0, i1) => { // dots or density cells, inside the plot
                        void si; void i0; void i1; // every line, from X and Y
                        clip(u, ctx => {
                          if (dense) { topCount = cells(u, ctx); return; }
                          const d = 3 * devicePixelRatio;
                          ctx.fillStyle = 'rgba(31, 78, 156, 0.6)';
                          for (let i = 0; i < n; i++)
                            ctx.fillRect(pos(u, X[i], 'x') - d / 2, pos(u, Y[i], 'y') - d / 2, d, d);
                        });
                        return null;
                      }}],
        axes: [{label: 'Observed ' + what + ' (' + unit + ')' + (log ? ', log scale' : '')},
               {label: 'Simulated ' + what + ' (' + unit + ')' + (log ? ', log scale' : ''), size: 64}],
        hooks: {draw: [u => clip(u, ctx => {
          // the 1:1 line dashed black, the best line solid green, each named
          const line = (f, colour, dash, name, at) => {
            const steps = 60, pts = [];
            for (let k = 0; k <= steps; k++) {
              const x = log ? Math.pow(10, Math.log10(ends[0]) + (Math.log10(ends[1]) - Math.log10(ends[0])) * k / steps)
                            : ends[0] + (ends[1] - ends[0]) * k / steps;
              const y = f(x);
              if (isFinite(y) && (!log || y > 0)) pts.push([pos(u, x, 'x'), pos(u, y, 'y')]);
            }
            if (pts.length < 2) return;
            ctx.setLineDash(dash.map(v => v * devicePixelRatio));
            ctx.strokeStyle = colour; ctx.lineWidth = 2 * devicePixelRatio;
            ctx.beginPath(); pts.forEach(([px, py], k) => (k ? ctx.lineTo(px, py) : ctx.moveTo(px, py))); ctx.stroke();
            ctx.setLineDash([]);
            const [px, py] = pts[Math.min(pts.length - 1, Math.floor(pts.length * at))];
            label(u, name, px + 6 * devicePixelRatio, py - 6 * devicePixelRatio, colour);
          };
          line(x => x, ONE, [7, 5], '1:1', 0.82);
          if (fitOk) line(x => (x - w.line_a) / w.line_b, FIT, [], 'best line', 0.6);
        })]},
      // uPlot's data is the corners of the cloud, for its ranges; the marks
      // are placed from X and Y
      }, [[xlo, xhi], [ylo, yhi]], box);
      record(u, 'scatter', [1]);
      const items = dense
        ? [['rgba(31, 78, 156, 0.8)', 'shaded cell: lines whose values fall in it (' + n + ' lines taking part; darker = more, up to ' +
            (topCount || 'many') + ' in a cell)']]
        : [['rgba(31, 78, 156, 0.6)', 'dot: one line (a step) taking part (' + n + ')']];
      items.push([ONE, '1:1 line, dashed', 'dash']);
      if (fitOk) items.push([FIT, 'best line fit, obs = ' + fmt(w.line_a, 3) + ' + ' + fmt(w.line_b, 4) + ' sim', 'line']);
      const k = key(keyBox, items);
      if (log) el('span', 'floor-note', ' Values of 0 or below are drawn at the axis floor (' + fmt(floor, 6).replace(/\.?0+$/, '') +
                  ' ' + unit + ').', k);
    }
    toggle(bar, 'log scale', false, make);
    make(false);
  }

  // ----------------------------------------------------------- duration curve

  function durationCurve() {
    const d = S.duration_curve;
    if (!d) return;
    el('h2', null, 'Flow-duration curves', page);
    if (d.reason) { el('p', 'note', 'No duration curve: ' + d.reason + '.', page); return; }
    const bar = el('div', 'controls', null, page);
    const box = chartBox(page), keyBox = el('div', null, null, page);
    const xs = d.exceedance_percent || [], o = d.observed || [], s = d.simulated || [];
    const floor = floorOf([o.filter(v => typeof v === 'number'), s.filter(v => typeof v === 'number')]);
    const SEGMENTS = [['high_volume_bias', 'high flows, volume bias', 'rgba(201, 42, 42, 0.10)'],
                      ['mid_slope_bias', 'mid segment, slope bias', 'rgba(250, 176, 5, 0.14)'],
                      ['low_volume_bias', 'low flows, volume bias', 'rgba(28, 126, 214, 0.10)']];
    let u = null;
    function make(log) {
      if (u) { u.destroy(); box.textContent = ''; }
      const Y = a => (log ? a.map(v => (typeof v === 'number' && v <= 0 ? floor : v)) : a);
      u = new uPlot({
        title: 'Flow-duration curves (n = ' + d.n + ' lines, plotting position ' + d.plotting_position + ')',
        width: width(box), height: 360,
        scales: {x: {time: false, range: [0, 100]}, y: log ? {distr: 3} : {}},
        series: [{label: 'Exceedance', value: (u, v) => (v === null ? '' : fmt(v, 2) + ' %')},
                 {label: 'Simulated', stroke: SIM, width: 1.5}, {label: 'Observed', stroke: OBS, width: 1.5}],
        axes: [{label: 'Exceedance probability (%)'}, {label: valueLabel + (log ? ', log scale' : ''), size: 64}],
        hooks: {drawClear: [u => clip(u, (ctx, b) => {
          SEGMENTS.forEach(([k, , colour], j) => {
            const g = d[k];
            if (!g) return;
            const x0 = u.valToPos(g.from_percent, 'x', true), x1 = u.valToPos(g.to_percent, 'x', true);
            ctx.fillStyle = colour; ctx.fillRect(x0, b.top, x1 - x0, b.height);
            const txt = (typeof g.value === 'number' ? fmt(g.value, 1) + ' %' : 'n/a');
            label(u, ['high', 'mid', 'low'][j] + ': ' + txt, x0 + 4 * devicePixelRatio, b.top + (14 + 14 * j) * devicePixelRatio, '#343a40');
          });
        })]},
      }, [xs, Y(s), Y(o)], box);
      record(u, 'duration curve', [1, 2]);
    }
    toggle(bar, 'log scale', true, make);
    make(true);
    const p = key(keyBox, [[OBS, 'observed', 'line'], [SIM, 'simulated', 'line']]);
    el('span', 'floor-note', ' On the log scale, values of 0 or below are drawn at the axis floor.', p);
    const rows = SEGMENTS.map(([k, name]) => {
      const g = d[k] || {};
      return [name, (g.from_percent) + ' to ' + (g.to_percent) + ' %',
              typeof g.value === 'number' ? cell('duration_curve.' + k + '.value', 2) : (g.reason || 'not computed')];
    });
    table(page, ['segment', 'exceedance', 'simulated minus observed'], rows);
  }

  // ------------------------------------------------- bars, clipped to the middle

  const MONTHS = ['Jan', 'Feb', 'Mar', 'Apr', 'May', 'Jun', 'Jul', 'Aug', 'Sep', 'Oct', 'Nov', 'Dec'];
  // The value range of a bar chart: the 5th to 95th percentile of the bars
  // widened by half on each side, and zero; a bar beyond it is cut at the
  // edge, marked with a zigzag and labelled with its value.
  function barRange(ys) {
    const v = ys.filter(x => typeof x === 'number').sort((a, b) => a - b);
    if (!v.length) return [-1, 1];
    const q = f => v[Math.min(v.length - 1, Math.max(0, Math.round(f * (v.length - 1))))];
    const lo = q(0.05), hi = q(0.95), pad = Math.max((hi - lo) * 0.5, Math.abs(hi) * 0.05, Math.abs(lo) * 0.05, 1e-9);
    return [Math.min(0, v[0] < lo - pad ? lo - pad : v[0]), Math.max(0, v[v.length - 1] > hi + pad ? hi + pad : v[v.length - 1])];
  }
  function bars(parent, title, rows, yKey, yLabel, colour, xLabel, name, pathOf, digits) {
    const box = chartBox(parent);
    const xs = rows.map((r, i) => i + 1);
    const ys = rows.map(r => (typeof r[yKey] === 'number' && isFinite(r[yKey]) ? r[yKey] : null));
    const [lo, hi] = barRange(ys);
    const span = hi - lo;
    const clipped = ys.map(v => (v === null ? null : Math.min(hi, Math.max(lo, v))));
    const w0 = width(box);
    const room = (w0 - 80) / Math.max(1, rows.length);
    const short = room < 34;
    const u = new uPlot({
      title: title, width: w0, height: 260,
      scales: {x: {time: false, range: () => [0.4, rows.length + 0.6]},
               y: {range: () => [lo - span * 0.04, hi + span * 0.08]}},
      series: [{label: xLabel, value: (u, v) => name(v - 1, false)},
               {label: yLabel, stroke: colour, fill: colour, width: 0, fillTo: 0,
                paths: uPlot.paths.bars({size: [0.7, 60]}), points: {show: false},
                value: (u, v, si, i) => (i === null || ys[i] === null ? '' : fmt(ys[i], digits))}],
      axes: [{label: xLabel, splits: () => xs, values: (u, vals) => vals.map(v => name(v - 1, short)),
              rotate: room < 26 && !(name(0, true).length <= 1) ? -60 : 0, size: room < 26 ? 56 : 40,
              gap: 3, font: (room < 14 ? 9 : 11) + 'px system-ui, sans-serif'},
             {label: yLabel, size: 64}],
      hooks: {draw: [u => {
        ys.forEach((v, i) => {
          if (v === null || (v >= lo && v <= hi)) return;
          const px = u.valToPos(i + 1, 'x', true), py = u.valToPos(v > hi ? hi : lo, 'y', true);
          const d = 5 * devicePixelRatio, ctx = u.ctx;
          ctx.strokeStyle = '#fff'; ctx.lineWidth = 2.5 * devicePixelRatio; ctx.beginPath();
          const dy = v > hi ? 10 : -10;
          ctx.moveTo(px - d, py + dy * devicePixelRatio); ctx.lineTo(px, py + (dy - 4) * devicePixelRatio);
          ctx.lineTo(px + d, py + dy * devicePixelRatio); ctx.stroke();
          label(u, fmt(v, digits), px, py + (v > hi ? -4 : 14) * devicePixelRatio, '#c92a2a', 'center');
        });
      }]},
    }, [xs, clipped], box);
    u.root.dataset.clipped = ys.filter(v => v !== null && (v < lo || v > hi)).length;
    return record(u, title, [1], true);
  }

  const INITIALS = ['J', 'F', 'M', 'A', 'M', 'J', 'J', 'A', 'S', 'O', 'N', 'D'];
  function tables() {
    const yearly = S.yearly || [], monthly = S.monthly || [];
    el('h2', null, 'Year by year and month by month', page);
    el('p', 'note', 'Bars beyond the middle of the data (5th to 95th percentile widened by half) are cut at the edge, ' +
       'marked with a break and labelled with their value in red.', page);
    const grid = el('div', 'pair', null, page);
    const yname = (i, short) => { const y = yearly[i] && yearly[i].year; return y === undefined ? '' : short ? "'" + String(y).slice(-2) : String(y); };
    const mname = (i, short) => { const m = monthly[i] && monthly[i].month; return m ? (short ? INITIALS[m - 1] : MONTHS[m - 1]) : ''; };
    bars(grid, 'Percent bias by year', yearly, 'percent_bias', 'Percent bias (%)', BAR, 'Year', yname, null, 2);
    bars(grid, 'Nash-Sutcliffe r by year', yearly, 'nash_r', 'Nash-Sutcliffe r (-)', BAR2, 'Year', yname, null, 3);
    bars(grid, 'Percent bias by calendar month', monthly, 'percent_bias', 'Percent bias (%)', BAR, 'Month', mname, null, 2);
    bars(grid, 'Nash-Sutcliffe r by calendar month', monthly, 'nash_r', 'Nash-Sutcliffe r (-)', BAR2, 'Month', mname, null, 3);
    const cols = ['n', 'percent_bias', 'abs_percent_bias', 'rms', 'r', 'nash_r', 'nse', 'kge_2009'];
    const head = ['n', 'bias', 'abs bias', 'RMS', 'R', 'N-S r', 'NSE', 'KGE'];
    const digits = [0, 2, 2, 3, 3, 3, 3, 3];
    const row = (name, path) => [name].concat(cols.map((c, i) => cell(path + '.' + c, digits[i])));
    const both = el('div', 'pair', null, page);
    table(el('div', null, null, both), ['year'].concat(head), yearly.map((r, i) => row(r.year, 'yearly.' + i)));
    table(el('div', null, null, both), ['month'].concat(head), monthly.map((r, i) => row(MONTHS[r.month - 1] || r.month, 'monthly.' + i)));
  }

  // ----------------------------------------------------------- seasonal cycle

  function seasonal() {
    const monthly = (S.monthly || []).filter(r => typeof r.month === 'number');
    if (!monthly.length) return;
    el('h2', null, 'Seasonal cycle', page);
    const box = chartBox(page);
    const xs = monthly.map(r => r.month);
    const val = (r, k) => (typeof r[k] === 'number' ? r[k] : null);
    const u = new uPlot({
      title: 'Observed and simulated monthly means (the monthly rows)',
      width: width(box), height: 280,
      scales: {x: {time: false, range: [0.5, 12.5]}},
      series: [{label: 'Month', value: (u, v) => (v ? MONTHS[v - 1] : '')},
               {label: 'Simulated mean', stroke: SIM, width: 2, points: {show: true, size: 6}},
               {label: 'Observed mean', stroke: OBS, width: 2, points: {show: true, size: 6}}],
      axes: [{label: 'Month', splits: () => [1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12], values: (u, v) => v.map(m => MONTHS[m - 1])},
             {label: 'Mean ' + what + ' (' + unit + ')', size: 64}],
    }, [xs, monthly.map(r => val(r, 'sim_mean')), monthly.map(r => val(r, 'obs_mean'))], box);
    record(u, 'seasonal cycle', [1, 2]);
    bars(page, 'Monthly bias, simulated against observed', monthly, 'percent_bias', 'Percent bias (%)', BAR, 'Month',
         (i, short) => (monthly[i] ? (short ? INITIALS : MONTHS)[monthly[i].month - 1] : ''), null, 2);
  }

  // ---------------------------------------------------------- water balance

  function balance() {
    const acc = DRAWN.accumulated;
    if (!acc || !acc.obs || !acc.obs.length) return;
    el('h2', null, temperature ? 'Accumulated value sum' : 'Accumulated depth and water balance', page);
    const box = chartBox(page);
    const xs = [timeOf(0) - stepSec], o = [0], s = [0], d = [0];
    acc.obs.forEach((v, k) => {
      xs.push(timeOf(Math.min(N - 1, (k + 1) * acc.every_lines - 1)));
      o.push(v); s.push(acc.sim[k]); d.push(acc.sim[k] - v);
    });
    const depth = temperature ? 'Value sum (' + unit + ' x lines)' : 'Accumulated depth (mm)';
    const u = new uPlot({
      title: (temperature ? 'Accumulated value sum' : 'Accumulated depth') + ' of both series and their drift',
      width: width(box), height: 300, tzDate: utc,
      scales: {x: {time: true}},
      series: [{label: 'Time', value: (u, v) => (v === null ? '' : dateAt(v))},
               {label: 'Observed', stroke: OBS, width: 1.5},
               {label: 'Simulated', stroke: SIM, width: 1.5},
               {label: 'Drift, simulated - observed', stroke: DRIFT, width: 1.5, scale: 'drift'}],
      axes: [{label: 'Time (end of each step)', values: timeTicks}, {label: depth, size: 70},
             {label: 'Drift (' + (temperature ? unit + ' x lines' : 'mm') + ')', scale: 'drift', side: 1,
              size: 70, grid: {show: false}}],
    }, [xs, o, s, d], box);
    record(u, 'accumulated', [1, 2, 3]);
    el('p', 'note', 'Lines where either value is negative or missing add nothing to either sum.', page);
  }

  // --------------------------------------------------------------- selections

  function classes(s, path) {
    const cols = ['n', 'percent_bias', 'abs_percent_bias', 'percent_rms', 'rms', 'r', 'nash_r'];
    const head = ['n', 'bias', 'abs bias', 'RMS %', 'RMS', 'R', 'N-S r'];
    const digits = [0, 2, 2, 2, 3, 3, 3];
    const L = s.letter.toUpperCase();
    const rows = (s.rows || []).map((r, i) => {
      const p = path + '.rows.' + i;
      const name = L === 'E' ? [td => { td.append('at least '); shown(td, p + '.value', 3); }]
                             : [td => { shown(td, p + '.lower', 3); td.append(' to '); shown(td, p + '.upper', 3); }];
      if (r.found === false) return name.concat(['no lines']).concat(cols.slice(1).map(() => ''));
      return name.concat(cols.map((c, k) => cell(p + '.' + c, digits[k])));
    });
    table(page, [L === 'E' ? 'observed value' : 'class of observed values'].concat(head), rows);
    const found = (s.rows || []).filter(r => r.found !== false);
    if (!found.length) return;
    const name = (i, short) => {
      const r = found[i];
      if (!r) return '';
      const f = v => fmt(v, Math.abs(v) >= 100 || short ? 0 : 1);
      return L === 'E' ? '>=' + f(r.value) : f(r.lower) + '-' + f(r.upper);
    };
    const xl = L === 'E' ? 'Observed value reached (' + unit + ')' : 'Class of observed values (' + unit + ')';
    const grid = el('div', 'pair', null, page);
    bars(grid, 'Percent bias by class (' + L + ')', found, 'percent_bias', 'Percent bias (%)', BAR, xl, name, null, 2);
    bars(grid, 'Nash-Sutcliffe r by class (' + L + ')', found, 'nash_r', 'Nash-Sutcliffe r (-)', BAR2, xl, name, null, 3);
  }

  function eventsTable(s, path) {
    const rows = (s.events || []).map((e, i) => {
      const p = path + '.events.' + i;
      return [e.number, e.first_date || '', e.last_date || '', cell(p + '.hours', 0),
              cell(p + '.statistics.percent_bias', 2), cell(p + '.statistics.nash_r', 3),
              cell(p + '.maxima.obs_peak', 3), cell(p + '.maxima.sim_peak', 3),
              cell(p + '.maxima.time_diff_hours', 0), cell(p + '.maxima.ratio', 3)];
    });
    table(page, ['event', 'first step', 'last step', 'length', 'bias', 'N-S r', 'observed max', 'simulated max',
                 'peak shift', 'ratio'], rows, 500);
    const n = el('p', 'note', 'Over all events: overall bias ', page);
    shown(n, path + '.pooled.overall_bias', 2); n.append(', flood bias ');
    shown(n, path + '.pooled.flood_bias', 2); n.append(', flood RMS ');
    shown(n, path + '.pooled.flood_rms', 3); n.append('; mean time difference of the maxima ');
    shown(n, path + '.maxima_means.time_diff_hours', 1); n.append(', mean ratio ');
    shown(n, path + '.maxima_means.ratio', 3); n.append('.');
  }

  function peaksTable(s, path) {
    const sm = s.summary || {};
    const n = el('p', 'note', 'Threshold ', page);
    shown(n, path + '.threshold', 3);
    n.append(', window ' + s.window_used_hours + ' h: ' + sm.observed_peaks + ' observed peaks, ' + sm.matched_peaks +
             ' matched by the simulation, ' + (sm.observed_peaks - sm.matched_peaks) + ' missed');
    if (sm.matched_peaks > 0) {
      n.append('; mean time difference ');
      shown(n, path + '.summary.mean_time_diff_hours', 1);
      n.append(', mean peak difference (simulated minus observed) ');
      shown(n, path + '.summary.mean_peak_diff', 2);
    }
    n.append('.');
    const rows = (s.peaks || []).map((p, i) => {
      const q = path + '.peaks.' + i;
      if (p.missed) return [p.obs_date || '', cell(q + '.obs_peak', 3), 'missed', '', '', '', ''];
      return [p.obs_date || '', cell(q + '.obs_peak', 3), cell(q + '.sim_peak', 3), p.sim_date || '',
              cell(q + '.time_diff_hours', 0), cell(q + '.percent_difference', 2), cell(q + '.ratio', 3)];
    });
    const t = table(page, ['observed peak at', 'observed', 'simulated', 'simulated peak at', 'time diff', 'difference',
                           'ratio'], rows, 500);
    for (const td of t.querySelectorAll('td')) if (td.textContent === 'missed') td.className = 'missed';
  }

  function balanceRows(s, path) {
    const rows = (s.rows || []).map((r, i) => [r.first + ' to ' + r.last, cell(path + '.rows.' + i + '.obs_mm', 2),
      cell(path + '.rows.' + i + '.sim_mm', 2), cell(path + '.rows.' + i + '.error_mm', 2),
      cell(path + '.rows.' + i + '.error_period_mm', 2)]);
    table(page, ['months', 'observed', 'simulated', 'drift', 'drift in the period'], rows);
  }

  const TITLES = {A: 'Lines shown on the terminal', E: 'Fit above given observed values',
                  D: 'Fit in equal flow classes', F: 'Fit in given flow classes', G: 'Events',
                  H: 'Peaks over a threshold', I: 'Accumulated depth by runs of months'};
  function selections() {
    const list = S.selections || [];
    if (!list.length) return;
    el('h2', null, 'Selections of the control file, in run order', page);
    list.forEach((s, i) => {
      const L = String(s.letter || '?').toUpperCase(), path = 'selections.' + i;
      el('h3', null, L + ': ' + (TITLES[L] || 'selection'), page);
      if (s.refused) { el('p', 'refused', 'Refused: ' + s.refused, page); return; }
      if (L === 'A') el('p', 'note', 'The first ' + s.lines + ' lines were shown on the terminal.', page);
      else if (L === 'E' || L === 'D' || L === 'F') classes(s, path);
      else if (L === 'G') eventsTable(s, path);
      else if (L === 'H') peaksTable(s, path);
      else if (L === 'I') balanceRows(s, path);
    });
  }

  function largest() {
    const rows = (S.largest_differences || []).map((r, i) => [r.rank, r.date, cell('largest_differences.' + i + '.obs', 3),
      cell('largest_differences.' + i + '.sim', 3), cell('largest_differences.' + i + '.diff', 3),
      cell('largest_differences.' + i + '.percent_error', 2)]);
    if (!rows.length) return;
    el('h2', null, 'Largest differences', page);
    table(page, ['rank', 'date', 'observed', 'simulated', 'difference', 'error'], rows);
  }

  // --------------------------------------------------------------- self-check
  //
  // With #selfcheck in the address the page states in #twinser-check whether
  // every chart drew, whether every number shown is the summary's (read again
  // from the embedded text) with its field's unit, and whether the log
  // toggle, the overview brush and a click on an event do what they say. A
  // chart drew when its canvas has a size and redrawing it without its data
  // series changes pixels inside the plot: axes, grid and marks alone do not
  // count.
  const settle = () => new Promise(r => setTimeout(r, 30));
  function plotPixels(u) {
    const b = u.bbox;
    return u.ctx.getImageData(Math.round(b.left), Math.round(b.top),
                              Math.max(1, Math.round(b.width)), Math.max(1, Math.round(b.height))).data;
  }
  function inkOf(c) {
    const u = c.u, before = plotPixels(u);
    const kept = c.inked.map(i => [u.series[i].paths, u.series[i].points.show]);
    c.inked.forEach(i => { u.series[i].paths = () => null; u.series[i].points.show = () => false; });
    u.redraw();
    return settle().then(() => {
      const after = plotPixels(u);
      c.inked.forEach((i, k) => { [u.series[i].paths, u.series[i].points.show] = kept[k]; });
      u.redraw();
      let count = 0;
      for (let p = 0; p < before.length; p += 4) {
        if (Math.abs(before[p] - after[p]) + Math.abs(before[p + 1] - after[p + 1]) +
            Math.abs(before[p + 2] - after[p + 2]) + Math.abs(before[p + 3] - after[p + 3]) > 24) count++;
      }
      return settle().then(() => count);
    });
  }
  // a bar of zero has no height: a chart of zeros is rightly empty
  function hasData(c) {
    return c.inked.some(i => Array.from(c.u.data[i] || []).some(v => typeof v === 'number' && isFinite(v) && !(c.bars && v === 0)));
  }
  function selfCheck(drawMs) {
    const result = {ok: true, errors: [], charts: [], numbers: [], features: [], draw_ms: drawMs};
    let chain = Promise.resolve();
    for (const c of charts.slice()) {
      chain = chain.then(() => inkOf(c)).then(ink => {
        const cv = c.u.ctx.canvas, data = hasData(c);
        const ok = cv.width > 0 && cv.height > 0 && (ink > 0 || !data);
        result.charts.push({title: c.title, width: cv.width, height: cv.height, ink: ink, has_data: data, ok: ok});
        result.ok = result.ok && ok;
      });
    }
    return chain.then(() => checkNumbers(result));
  }
  function expectedText(v, digits, u) {
    return fmt(v, digits) + (u && u !== 'lines' ? (u === '%' ? ' %' : ' ' + u) : '');
  }
  function checkNumbers(result) {
    const fresh = JSON.parse(document.getElementById('twinser-summary').textContent);
    for (const e of page.querySelectorAll('[data-key]')) {
      const v = get(fresh, e.dataset.key), digits = +e.dataset.digits, shownText = e.textContent;
      const u = e.dataset.unit, want = unitOf(e.dataset.field);
      let ok = u === want;
      if (typeof v === 'number' && isFinite(v)) {
        ok = ok && shownText === expectedText(v, digits, u);
        const n = parseFloat(shownText);
        ok = ok && (/e/.test(shownText) || Math.abs(n - v) <= 0.5 * Math.pow(10, -digits) * (1 + 1e-9));
      } else ok = ok && !/^[-0-9]/.test(shownText) && !/n\/a/.test(shownText);
      result.numbers.push({key: e.dataset.key, field: e.dataset.field, unit: u, shown: shownText,
                           json: v === undefined ? null : v, ok: ok});
      result.ok = result.ok && ok;
    }
    if (!charts.length || !result.numbers.length) result.ok = false;
    return zoomCheck(result).then(() => featureCheck(result)).then(() => {
      result.errors = window.twinserErrors.slice();
      if (result.errors.length) result.ok = false;
      el('pre', null, JSON.stringify(result, null, 1), document.body).id = 'twinser-check';
    });
  }
  function feature(result, name, ok, detailText) {
    result.features.push({feature: name, ok: !!ok, detail: detailText});
    result.ok = result.ok && !!ok;
  }

  // Zooms the detail chart into a tenth of the period: the largest value of
  // each series there must be drawn, then a double click must bring back the
  // whole period.
  function zoomCheck(result) {
    const u = detail;
    result.zoom = [];
    if (N < 20) return Promise.resolve();
    const i0 = Math.floor(N * 0.45), i1 = Math.floor(N * 0.55);
    u.setScale('x', {min: timeOf(i0), max: timeOf(i1)});
    return settle().then(() => {
      const mn = u.scales.x.min, mx = u.scales.x.max, xs = u.data[0];
      [sim, obs].forEach((a, k) => {
        let top = -Infinity;
        for (let i = Math.max(0, Math.ceil(lineAt(mn))); i <= lineAt(mx) && i < N; i++) if (isFinite(a[i]) && a[i] > top) top = a[i];
        const ys = u.data[k + 1];
        let drawn = false, points = 0;
        for (let j = 0; j < xs.length; j++) {
          if (xs[j] < mn || xs[j] > mx) continue;
          points++;
          if (ys[j] === top) drawn = true;
        }
        drawn = drawn || !isFinite(top) || ys.some((y, j) => y === top && Math.abs(xs[j] - mn) < (mx - mn) / 50 + stepSec * 2);
        const ok = drawn && points > 0 && xs.length <= 6 * BUCKETS + 8;
        result.zoom.push({series: k ? 'observed' : 'simulated', largest_in_view: top, drawn: drawn,
                          points_in_view: points, points: xs.length, refine_ms: refineMs, ok: ok});
        result.ok = result.ok && ok;
      });
      u.over.dispatchEvent(new MouseEvent('dblclick', {bubbles: true}));
      return settle();
    }).then(() => {
      const ok = u.scales.x.min <= timeOf(0) && u.scales.x.max >= timeOf(N - 1);
      result.zoom.push({reset: true, min: u.scales.x.min, max: u.scales.x.max, ok: ok});
      result.ok = result.ok && ok;
    });
  }

  // The log toggle turns the detail chart's value axis to a log one and back;
  // a drag over the overview strip moves the detail chart and the residual
  // pane to the dragged range; a click on the first event moves them to its
  // window.
  function featureCheck(result) {
    const boxes = page.querySelectorAll('.controls input[type=checkbox]');
    const click = b => b.dispatchEvent(new MouseEvent('click', {bubbles: true}));
    return settle().then(() => {
      click(boxes[0]);
      return settle();
    }).then(() => {
      feature(result, 'log toggle turns the hydrograph axis to log', detail.scales.y.distr === 3,
              'distr ' + detail.scales.y.distr);
      click(boxes[0]);
      return settle();
    }).then(() => {
      feature(result, 'log toggle back to linear', detail.scales.y.distr === 1, 'distr ' + detail.scales.y.distr);
      const o = overview, b = o.bbox, dpr = devicePixelRatio;
      const left = b.width / dpr * 0.2, w = b.width / dpr * 0.1;
      const want = [o.posToVal(left, 'x'), o.posToVal(left + w, 'x')];
      o.setSelect({left: left, width: w, top: 0, height: b.height / dpr}, true);
      return settle().then(() => want);
    }).then(want => {
      const tol = (want[1] - want[0]) * 0.01 + stepSec;
      const ok = Math.abs(detail.scales.x.min - want[0]) <= tol && Math.abs(detail.scales.x.max - want[1]) <= tol &&
                 Math.abs(residual.scales.x.min - want[0]) <= tol;
      feature(result, 'overview brush moves the detail chart and the residual pane', ok,
              [detail.scales.x.min, detail.scales.x.max, residual.scales.x.min, want[0], want[1]].join(' '));
      const ev = page.querySelector('.event');
      if (!ev) return null;
      const e = [].concat(...eventsOf('G').map(s => s.events || []))[+ev.dataset.event];
      click(ev);
      return settle().then(() => {
        const a = timeOf(Math.max(0, e.first_line)), z = timeOf(Math.min(N, e.end_line) - 1);
        feature(result, 'a click on an event moves the detail chart to its window',
                detail.scales.x.min <= a && detail.scales.x.max >= z && detail.scales.x.max - detail.scales.x.min <= (z - a) * 1.5 + 4 * stepSec,
                [detail.scales.x.min, detail.scales.x.max, a, z].join(' '));
      });
    });
  }

  // ------------------------------------------------------------------- layout

  // time of each step, for the benchmark: "unpacked 120 | hydrograph 210 | ..."
  const marks = [];
  const timed = (name, f) => { const t = performance.now(); f(); marks.push(name + ' ' + (performance.now() - t).toFixed(0)); };
  timed('header', header);
  const taking = inflate('twinser-part');
  Promise.all([series('twinser-obs', taking), series('twinser-sim', taking), taking]).then(([o, s, p]) => {
    obs = o; sim = s; part = p;
    N = Math.min(obs.length, sim.length, part.length);
    marks.push('unpacked ' + (performance.now() - tStart).toFixed(0));
    timed('hydrograph', hydrograph);
    timed('events', eventGrid);
    el('h2', null, 'Simulated against observed', page);
    const side = el('div', 'pair scatter', null, page);
    timed('scatter', () => scatter(side));
    wholePeriod(side);
    timed('duration', durationCurve);
    timed('seasonal', seasonal);
    timed('bars', tables);
    timed('accumulated', balance);
    timed('selections', selections);
    largest();
    // uPlot draws in microtasks queued as each chart is made, so these
    // figures, taken a few microtasks later, come before the load event: a
    // browser that dumps the page once loaded finds them. (Timers would not
    // do: a headless browser on virtual time stops the clock in them.)
    const later = async n => { for (let k = 0; k < n; k++) await null; };
    return later(4).then(() => {
      const drawMs = performance.now() - tStart;
      document.body.dataset.drawMs = drawMs.toFixed(1);
      document.body.dataset.loadMs = tStart.toFixed(1);
      document.body.dataset.marks = marks.join(' | ');
      if (/bench/.test(location.hash) && N > 20) { // a zoom into a tenth, redrawn from the full data
        const t = performance.now();
        detail.setScale('x', {min: timeOf(Math.floor(N * 0.45)), max: timeOf(Math.floor(N * 0.55))});
        return later(8).then(() => {
          document.body.dataset.zoomMs = (performance.now() - t).toFixed(1);
          document.body.dataset.refineMs = refineMs.toFixed(1);
        });
      }
      if (/selfcheck/.test(location.hash)) return selfCheck(drawMs);
    });
  }).catch(e => window.twinserNote('script error: ' + (e && e.stack || e)));
})();
