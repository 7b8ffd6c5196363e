// twinser page: draws one run from the embedded JSON summary and both series.
// Every number written on the page is read from the summary; the series
// (little-endian single precision in base64, NaN = missing) feed only the
// drawings: hydrograph, scatter and accumulated depth. Strings from the inputs
// (file and station names, units) reach the page as DOM text or canvas text,
// never as markup.
(function () {
  'use strict';
  const tStart = performance.now();
  const S = JSON.parse(document.getElementById('twinser-summary').textContent);
  const page = document.getElementById('twinser-page');
  const OBS = '#1f4e9c', SIM = '#d9480f', DRIFT = '#2b8a3e', BAR = '#5b7bd5', BAR2 = '#8c6bb1';
  const FIT = '#6b7280', ONE = '#111827';
  // marks (maxima, peaks) in darker shades, so the self-check tells a drawn
  // series from its marks
  const OBS_MARK = '#0b2a66', SIM_MARK = '#8a2a00';
  const charts = []; // every uPlot drawn, with what the self-check expects of it

  // ------------------------------------------------------------ small helpers

  function el(tag, cls, text, parent) {
    const e = document.createElement(tag);
    if (cls) e.className = cls;
    if (text !== undefined && text !== null) e.textContent = String(text);
    if (parent) parent.appendChild(e);
    return e;
  }
  // A number as the page shows it: null (nan or inf in the run) as n/a, very
  // large or small magnitudes in exponent form, otherwise fixed decimals.
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
  function table(parent, head, rows, limit) {
    const box = el('div', rows.length > 25 ? 'scroll' : null, null, parent);
    const t = el('table', null, null, box);
    const tr = el('tr', null, null, el('thead', null, null, t));
    for (const h of head) el('th', null, h, tr);
    const body = el('tbody', null, null, t);
    const shown = limit && rows.length > limit ? rows.slice(0, limit) : rows;
    for (const r of shown) {
      const row = el('tr', null, null, body);
      for (const c of r) el('td', null, c, row);
    }
    if (shown.length < rows.length)
      el('p', 'note', 'The first ' + shown.length + ' of ' + rows.length + ' rows.', parent);
    return t;
  }
  function key(parent, items) { // [[colour, text]]: what the marks of a chart mean
    const p = el('p', 'key', null, parent);
    for (const [c, text] of items) {
      const sw = el('span', 'sw', null, p);
      sw.style.background = c;
      p.appendChild(document.createTextNode(text));
    }
  }

  // ------------------------------------------------------------------ series

  function decodeSeries(id) {
    const text = document.getElementById(id).textContent;
    let bytes;
    if (typeof Uint8Array.fromBase64 === 'function') bytes = Uint8Array.fromBase64(text.trim());
    else {
      const bin = atob(text.trim());
      bytes = new Uint8Array(bin.length);
      for (let i = 0; i < bin.length; i++) bytes[i] = bin.charCodeAt(i);
    }
    const n = bytes.length >> 2;
    if (new Uint8Array(new Uint16Array([1]).buffer)[0] === 1) return new Float32Array(bytes.buffer, 0, n);
    const v = new Float32Array(n), dv = new DataView(bytes.buffer);
    for (let i = 0; i < n; i++) v[i] = dv.getFloat32(4 * i, true);
    return v;
  }
  const obs = decodeSeries('twinser-obs'), sim = decodeSeries('twinser-sim');
  const P = S.period || {};
  const N = Math.min(obs.length, sim.length);
  const stepSec = (P.step_hours || 24) * 3600;
  // line 0 starts at period.start, a clock time of the series; drawn as UTC so
  // no daylight-saving shift bends the axis
  const startSec = (function () {
    const m = /^(\d{4})-(\d{2})-(\d{2})T(\d{2}):(\d{2})/.exec(P.start || '');
    if (!m) return 0;
    return Date.UTC(+m[1], +m[2] - 1, +m[3], +m[4], +m[5]) / 1000;
  })();
  const timeOf = i => startSec + i * stepSec;
  const lineAt = t => (t - startSec) / stepSec;
  const flow = S.flow === true, temperature = S.temperature === true;
  const unit = ((S.series && S.series.observed && S.series.observed.unit) || '').trim() ||
               (flow ? 'CMS' : 'MM');
  const valueLabel = temperature ? 'Temperature (' + unit + ')' :
                     flow ? 'Discharge (' + unit + ')' : 'Depth (' + unit + ')';
  // the multi-year rule: temperatures may be negative, other values may not
  const takesPart = temperature ? (o, s) => isFinite(o) && isFinite(s)
                                : (o, s) => o >= 0 && s >= 0 && isFinite(o) && isFinite(s);

  // --------------------------------------------- min/max decimation for drawing
  //
  // A drawing holds at most about 2 x BUCKETS points: each bucket of lines
  // gives its smallest and largest value in the order they occur, so every peak
  // stays visible. The whole period is cut into fixed coarse buckets once;
  // zooming in redraws the visible stretch from the full data in finer buckets
  // and keeps the coarse ones outside it, so a double click finds the whole
  // period again. A bucket holding a missing line breaks the line there, so no
  // gap hides at any zoom.
  const BUCKETS = 2000;

  function reducer(arrays, gaps) {
    const n = arrays.length ? arrays[0].length : 0;
    const coarse = Math.max(1, Math.ceil(n / BUCKETS));
    function bucket(out, s, e) {
      const x = out[0];
      if (e - s === 1) { // one line: its own value, or a gap
        x.push(timeOf(s));
        for (let k = 0; k < arrays.length; k++) {
          const v = arrays[k][s];
          out[k + 1].push(isFinite(v) ? v : null);
        }
        return;
      }
      x.push(timeOf(s), timeOf(e - 1));
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
        x.push(timeOf(e) - stepSec / 2);
        for (let k = 0; k < arrays.length; k++) out[k + 1].push(holes[k] ? null : undefined);
      }
    }
    function run(out, from, to, size) {
      for (let s = from; s < to; s += size) bucket(out, s, Math.min(to, s + size));
    }
    // the coarse buckets of the whole period, made once; at[b] is where
    // bucket b starts in them
    const whole = [[]], at = new Int32Array(Math.ceil(n / coarse) + 1);
    for (let k = 0; k < arrays.length; k++) whole.push([]);
    for (let b = 0; b * coarse < n; b++) {
      at[b] = whole[0].length;
      bucket(whole, b * coarse, Math.min(n, (b + 1) * coarse));
    }
    at[at.length - 1] = whole[0].length;
    // lines i0 <= i < i1 in view: fine buckets there, coarse ones elsewhere
    return function (i0, i1) {
      const lo = Math.max(0, Math.floor(i0 / coarse) * coarse);
      const hi = Math.min(n, Math.ceil(i1 / coarse) * coarse);
      if (lo >= hi) return whole.map(a => a.slice());
      const out = whole.map(a => a.slice(0, at[lo / coarse]));
      run(out, lo, hi, Math.max(1, Math.ceil((hi - lo) / BUCKETS)));
      const rest = at[Math.ceil(hi / coarse)];
      out.forEach((a, k) => { for (let j = rest; j < whole[k].length; j++) a.push(whole[k][j]); });
      return out;
    };
  }

  // Redraws from the full data whenever the x range changes (drag zoom, double
  // click); `auto` keeps the range the user chose while the data is swapped.
  let refineMs = 0; // time of the latest redraw from the full data, for the benchmark
  function refining(build) {
    let swapping = false, last = null;
    return {
      auto: () => !swapping,
      first: function (mn, mx) { // the data of the whole range, which uPlot shows first
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
        u.setData(build(mn, mx));
        swapping = false;
        refineMs = performance.now() - t;
      },
    };
  }

  function chartBox(parent) {
    const box = el('div', 'chart', null, parent);
    return box;
  }
  // the width charts may take, read once (every read lays the page out)
  const pageWidth = (function () {
    const probe = el('div', null, null, page), w = probe.clientWidth;
    page.removeChild(probe);
    return w || 1100;
  })();
  function width(box) {
    return Math.max(320, box.parentNode === page ? pageWidth : Math.floor((pageWidth - 18) / 2));
  }
  function record(u, title, inked, isBars) {
    charts.push({u: u, title: title, inked: inked, bars: !!isBars});
    return u;
  }
  const utc = ts => uPlot.tzDate(new Date(ts * 1e3), 'Etc/UTC');
  // tick labels of a time axis on a 24-hour clock; the year (or day) below
  // the first tick and wherever it changes
  const DAY = 86400;
  const timeTicks = [
    [DAY * 365, '{YYYY}', null, null, null, null, null, null, 1],
    [DAY * 28, '{MMM}', '\n{YYYY}', null, null, null, null, null, 1],
    [DAY, '{MMM} {D}', '\n{YYYY}', null, null, null, null, null, 1],
    [3600, '{HH}:{mm}', '\n{MMM} {D} {YYYY}', null, '\n{MMM} {D}', null, null, null, 1],
    [60, '{HH}:{mm}', '\n{MMM} {D} {YYYY}', null, '\n{MMM} {D}', null, null, null, 1],
  ];

  // ------------------------------------------------------------------ header

  function header() {
    document.title = 'twinser: ' + (S.control_file || '');
    el('h1', null, 'Observed against simulated: ' + (S.control_file || ''), page);
    const tool = S.tool || {};
    el('p', 'sub', 'Report ' + (S.report_file || '') + ' · written by ' + (tool.name || 'twinser-view') +
       ' ' + (tool.version || ''), page);
    const dl = el('dl', 'facts', null, page);
    function fact(label, text) { el('dt', null, label, dl); el('dd', null, text, dl); }
    for (const [label, k] of [['Observed series', 'observed'], ['Simulated series', 'simulated']]) {
      const f = (S.series && S.series[k]) || {};
      fact(label, (f.file || '') + ' · station ' + (f.station || '') + ' · unit ' + (f.unit || '') +
           ' · step ' + f.step_hours + ' h · ' + f.first + ' to ' + f.last);
    }
    fact('Analysis period', P.first + ' to ' + P.last + ' · step ' + P.step_hours + ' h · ' +
         P.lines + ' lines');
    fact('Basin area', flow ? fmt(S.area_km2, 2) + ' km2 (values are flows in ' + unit + ')'
                            : 'none (values are depths in ' + unit + ')');
    fact('Good hours', String(P.good_hours));
    fact('Missing hours', String(P.missing_hours));
    const box = el('div', 'headlines', null, page);
    for (const [k, label, digits] of [
      ['percent_bias', 'Percent bias (%)', 2], ['r', 'R, correlation', 3],
      ['nash_r', 'Nash-Sutcliffe r, as in the report', 3], ['nse', 'NSE, textbook', 3],
      ['kge_2009', 'KGE (2009)', 3]]) {
      const h = el('div', 'headline', null, box);
      const v = el('span', 'value', fmt(get(S, 'whole_period.' + k), digits), h);
      v.dataset.key = 'whole_period.' + k;
      v.dataset.digits = digits;
      el('span', 'label', label, h);
    }
    el('p', 'note', 'The multi-year row: lines where either value is negative (missing among them) ' +
       (temperature ? 'take part, as the series are temperatures.' : 'take no part.'), page);
  }

  function wholePeriod(parent) {
    const w = S.whole_period || {};
    const rows = [['lines taking part', 'n', 0], ['percent bias (%)', 'percent_bias', 3],
      ['absolute percent bias (%)', 'abs_percent_bias', 3], ['observed mean', 'obs_mean', 3],
      ['simulated mean', 'sim_mean', 3], ['observed std', 'obs_std', 3], ['simulated std', 'sim_std', 3],
      ['observed Cv', 'obs_cv', 3], ['simulated Cv', 'sim_cv', 3], ['percent RMS (%)', 'percent_rms', 2],
      ['RMS', 'rms', 3], ['mean absolute error', 'mae', 3], ['R, correlation', 'r', 4],
      ['Nash-Sutcliffe r', 'nash_r', 4], ['NSE, textbook', 'nse', 4], ['Rm, modified R', 'rm', 4],
      ['KGE (2009)', 'kge_2009', 4], ['KGE (2012)', 'kge_2012', 4],
      ['best line fit A', 'line_a', 4], ['best line fit B', 'line_b', 4]];
    const box = el('div', null, null, parent);
    el('h3', null, 'Whole period (' + unit + ')', box);
    table(box, ['measure', 'value'], rows.map(([label, k, d]) => [label, fmt(w[k], d)]));
  }

  // --------------------------------------------------------------- hydrograph

  function eventsOf(letter) {
    return (S.selections || []).filter(s => s.letter && s.letter.toUpperCase() === letter && !s.refused);
  }

  function hydrograph() {
    el('h2', null, 'Hydrograph', page);
    const box = chartBox(page);
    const events = [].concat(...eventsOf('G').map(s => s.events || []));
    const peaks = [].concat(...eventsOf('H').map(s => s.peaks || []));
    const reduce = reducer([obs, sim], true);
    const build = (mn, mx) => reduce(Math.max(0, Math.floor(lineAt(mn))), Math.min(N, Math.ceil(lineAt(mx)) + 1));
    const r = refining(build);
    function dot(u, x, y, colour, shape) {
      if (x === null || y === null || !isFinite(x) || !isFinite(y)) return;
      const px = u.valToPos(x, 'x', true), py = u.valToPos(y, 'y', true);
      const d = 5 * devicePixelRatio, ctx = u.ctx;
      ctx.beginPath();
      if (shape === 'triangle') {
        ctx.moveTo(px, py - d * 1.3); ctx.lineTo(px - d, py + d * 0.7); ctx.lineTo(px + d, py + d * 0.7);
        ctx.closePath();
      } else ctx.arc(px, py, d, 0, 2 * Math.PI);
      ctx.fillStyle = colour; ctx.strokeStyle = '#fff'; ctx.lineWidth = devicePixelRatio;
      ctx.fill(); ctx.stroke();
    }
    function clip(u, draw) {
      const ctx = u.ctx, b = u.bbox;
      ctx.save(); ctx.beginPath(); ctx.rect(b.left, b.top, b.width, b.height); ctx.clip();
      draw(ctx, b); ctx.restore();
    }
    const u = new uPlot({
      title: 'Observed and simulated ' + (temperature ? 'temperature' : flow ? 'discharge' : 'depth') +
             ' (drag to zoom, double click for the whole period)',
      width: width(box), height: 380, tzDate: utc,
      scales: {x: {time: true, auto: r.auto}},
      series: [{label: 'Time', value: '{YYYY}-{MM}-{DD} {HH}:{mm}'},
               {label: 'Observed', stroke: OBS, width: 1.25, spanGaps: false},
               {label: 'Simulated', stroke: SIM, width: 1.25, spanGaps: false}],
      axes: [{label: 'Time (clock of the series)', values: timeTicks}, {label: valueLabel, size: 60}],
      hooks: {
        setScale: [r.hook],
        drawClear: [u => clip(u, (ctx, b) => { // event windows of G, behind the series
          ctx.fillStyle = 'rgba(250, 204, 21, 0.22)';
          for (const e of events) {
            const x0 = u.valToPos(timeOf(Math.max(0, e.first_line)), 'x', true);
            const x1 = u.valToPos(timeOf(e.end_line), 'x', true);
            ctx.fillRect(x0, b.top, Math.max(1, x1 - x0), b.height);
          }
        })],
        draw: [u => clip(u, () => {
          for (const e of events) { // event maxima
            const m = e.maxima || {};
            if (m.obs_line !== null && m.obs_line !== undefined) dot(u, timeOf(m.obs_line), m.obs_peak, OBS_MARK, 'circle');
            if (m.sim_line !== null && m.sim_line !== undefined) dot(u, timeOf(m.sim_line), m.sim_peak, SIM_MARK, 'circle');
          }
          for (const p of peaks) { // matched peaks of H
            if (p.obs_line !== null && p.obs_line !== undefined) dot(u, timeOf(p.obs_line), p.obs_peak, OBS_MARK, 'triangle');
            if (p.sim_line !== null && p.sim_line !== undefined) dot(u, timeOf(p.sim_line), p.sim_peak, SIM_MARK, 'triangle');
          }
        })],
      },
    }, r.first(timeOf(0), timeOf(N)), box);
    record(u, 'hydrograph', [1, 2]);
    const items = [[OBS, 'observed'], [SIM, 'simulated']];
    if (events.length) items.push(['rgba(250, 204, 21, 0.45)', 'event windows (' + events.length +
                                   '), dots: largest value of each series in the window']);
    if (peaks.length) items.push(['#777', 'triangles: observed peaks over the threshold (' + peaks.length +
                                  ') and their simulated matches']);
    items.push(['#fff', 'gaps: missing values']);
    key(page, items);
  }

  // ------------------------------------------------------------------ scatter

  // One mark per occupied cell of a fine grid: every cell a line falls in is
  // drawn, at that line's own values, so a century of lines draws as fast as a
  // year and no outlier is lost.
  const GRID = 480;
  let extremes = null; // lines of the smallest and largest observed value taking part
  function scatterData(xmin, xmax) {
    let ymin = Infinity, ymax = -Infinity;
    const full = !(xmin <= xmax);
    if (full) {
      xmin = Infinity; xmax = -Infinity;
      let ilo = -1, ihi = -1;
      for (let i = 0; i < N; i++) {
        const o = obs[i], s = sim[i];
        if (!takesPart(o, s)) continue;
        if (o < xmin) { xmin = o; ilo = i; }
        if (o > xmax) { xmax = o; ihi = i; }
        if (s < ymin) ymin = s;
        if (s > ymax) ymax = s;
      }
      extremes = ilo < 0 ? [] : [ilo, ihi];
    } else {
      for (let i = 0; i < N; i++) {
        const o = obs[i], s = sim[i];
        if (!takesPart(o, s) || o < xmin || o > xmax) continue;
        if (s < ymin) ymin = s;
        if (s > ymax) ymax = s;
      }
    }
    const picked = [];
    if (isFinite(ymin)) {
      const cell = new Int32Array(GRID * GRID).fill(-1);
      const dx = (xmax - xmin) || 1, dy = (ymax - ymin) || 1;
      for (let i = 0; i < N; i++) {
        const o = obs[i], s = sim[i];
        if (!takesPart(o, s) || o < xmin || o > xmax) continue;
        const c = Math.min(GRID - 1, Math.floor((o - xmin) / dx * GRID)) * GRID +
                  Math.min(GRID - 1, Math.floor((s - ymin) / dy * GRID));
        if (cell[c] < 0) { cell[c] = i; picked.push(i); }
      }
    }
    // the extremes stay in a zoomed view's data, so a double click finds the
    // whole range again
    for (const i of extremes) if (picked.indexOf(i) < 0) picked.push(i);
    picked.sort((a, b) => obs[a] - obs[b] || a - b);
    const xs = picked.map(i => obs[i]), ys = picked.map(i => sim[i]);
    const one = xs.map(() => undefined), fit = xs.map(() => undefined);
    const w = S.whole_period || {};
    if (xs.length) {
      const last = xs.length - 1;
      one[0] = xs[0]; one[last] = xs[last];
      // obs = A + B sim, drawn as sim = (obs - A) / B
      if (typeof w.line_a === 'number' && typeof w.line_b === 'number' && w.line_b !== 0) {
        fit[0] = (xs[0] - w.line_a) / w.line_b; fit[last] = (xs[last] - w.line_a) / w.line_b;
      }
    }
    return [xs, ys, one, fit];
  }

  function scatter(parent) {
    const box = chartBox(parent);
    const w = S.whole_period || {};
    const swap = refining((mn, mx) => scatterData(mn, mx));
    const dotsPath = (u, si, i0, i1) => {
      const ctx = u.ctx, xs = u.data[0], ys = u.data[si], d = 2.2 * devicePixelRatio;
      ctx.save(); ctx.beginPath(); ctx.rect(u.bbox.left, u.bbox.top, u.bbox.width, u.bbox.height); ctx.clip();
      ctx.fillStyle = 'rgba(31, 78, 156, 0.55)';
      for (let i = i0; i <= i1; i++) {
        if (ys[i] === null || ys[i] === undefined) continue;
        ctx.fillRect(u.valToPos(xs[i], 'x', true) - d / 2, u.valToPos(ys[i], 'y', true) - d / 2, d, d);
      }
      ctx.restore();
      return null;
    };
    const fitLabel = 'Best line fit, obs = ' + fmt(w.line_a, 3) + ' + ' + fmt(w.line_b, 4) + ' sim';
    const u = new uPlot({
      title: 'Simulated against observed (drag to zoom)',
      width: 640, height: 480,
      scales: {x: {time: false, auto: swap.auto}},
      cursor: {drag: {x: true, y: false}},
      series: [{label: 'Observed'},
               {label: 'Lines (one mark per occupied cell)', stroke: 'rgba(31, 78, 156, 0.9)',
                fill: 'rgba(31, 78, 156, 0.55)', paths: dotsPath, points: {show: false}},
               {label: '1:1 line', stroke: ONE, width: 1, dash: [6, 4], spanGaps: true, points: {show: false}},
               {label: fitLabel, stroke: FIT, width: 1.5, spanGaps: true, points: {show: false}}],
      axes: [{label: 'Observed, ' + valueLabel}, {label: 'Simulated, ' + valueLabel, size: 60}],
      hooks: {setScale: [swap.hook]},
    }, swap.first(NaN, NaN), box);
    return record(u, 'scatter', [1]);
  }

  // ----------------------------------------------------------- yearly, monthly

  const MONTHS = ['Jan', 'Feb', 'Mar', 'Apr', 'May', 'Jun', 'Jul', 'Aug', 'Sep', 'Oct', 'Nov', 'Dec'];
  // bars of one measure over rows; `name` labels a row's x value
  function bars(parent, title, rows, xKey, yKey, yLabel, colour, xLabel, name) {
    const box = chartBox(parent);
    name = name || (v => v === null || v === undefined ? '' : xKey === 'month' ? MONTHS[v - 1] : String(v));
    const xs = rows.map((r, i) => xKey ? r[xKey] : i + 1);
    const ys = rows.map(r => (typeof r[yKey] === 'number' && isFinite(r[yKey]) ? r[yKey] : null));
    const u = new uPlot({
      title: title, width: width(box), height: 260,
      // bars stand on zero, so the axis always holds it
      scales: {x: {time: false, distr: 2, range: (u, mn, mx) => [mn - 0.6, mx + 0.6]},
               y: {range: (u, mn, mx) => uPlot.rangeNum(Math.min(0, mn), Math.max(0, mx), 0.1, true)}},
      series: [{label: xLabel, value: (u, v) => name(v)},
               {label: yLabel, stroke: colour, fill: colour, width: 0, fillTo: 0,
                paths: uPlot.paths.bars({size: [0.7, 60]}), points: {show: false}}],
      axes: [{label: xLabel, values: (u, vals) => vals.map(name)},
             {label: yLabel, size: 60}],
    }, [xs, ys], box);
    return record(u, title, [1], true);
  }

  function tables() {
    const yearly = S.yearly || [], monthly = S.monthly || [];
    el('h2', null, 'Year by year and month by month', page);
    const grid = el('div', 'pair', null, page);
    bars(grid, 'Percent bias by year', yearly, 'year', 'percent_bias', 'Percent bias (%)', BAR, 'Year');
    bars(grid, 'Nash-Sutcliffe r by year', yearly, 'year', 'nash_r', 'Nash-Sutcliffe r (-)', BAR2, 'Year');
    bars(grid, 'Percent bias by calendar month', monthly, 'month', 'percent_bias', 'Percent bias (%)', BAR, 'Month');
    bars(grid, 'Nash-Sutcliffe r by calendar month', monthly, 'month', 'nash_r', 'Nash-Sutcliffe r (-)', BAR2, 'Month');
    const cols = ['n', 'percent_bias', 'abs_percent_bias', 'rms', 'r', 'nash_r', 'nse', 'kge_2009'];
    const head = ['n', 'bias %', 'abs bias %', 'RMS', 'R', 'N-S r', 'NSE', 'KGE'];
    const digits = [0, 2, 2, 3, 3, 3, 3, 3];
    const row = (label, r) => [label].concat(cols.map((c, i) => fmt(r[c], digits[i])));
    const both = el('div', 'pair', null, page);
    table(el('div', null, null, both), ['year'].concat(head), yearly.map(r => row(r.year, r)));
    table(el('div', null, null, both), ['month'].concat(head), monthly.map(r => row(MONTHS[r.month - 1] || r.month, r)));
  }

  // ---------------------------------------------------------- water balance

  // The running sums of both series over the lines where neither value is
  // negative, as depth in mm (flows: value x step s / area), and their drift.
  function accumulated() {
    const a = new Float64Array(N), b = new Float64Array(N), d = new Float64Array(N);
    const toDepth = flow && S.area_km2 > 0 ? (P.step_hours * 3600) / (S.area_km2 * 1e6) * 1000 : 1;
    let so = 0, ss = 0;
    for (let i = 0; i < N; i++) {
      const o = obs[i], s = sim[i];
      if (o >= 0 && s >= 0 && isFinite(o) && isFinite(s)) { so += o * toDepth; ss += s * toDepth; }
      a[i] = so; b[i] = ss; d[i] = ss - so;
    }
    return [a, b, d];
  }

  function balance() {
    el('h2', null, temperature ? 'Accumulated value sum' : 'Accumulated depth and water balance', page);
    const box = chartBox(page);
    const reduce = reducer(accumulated(), false);
    const build = (mn, mx) => reduce(Math.max(0, Math.floor(lineAt(mn))), Math.min(N, Math.ceil(lineAt(mx)) + 1));
    const r = refining(build);
    const depth = temperature ? 'Value sum (' + unit + ' x lines)' : 'Accumulated depth (mm)';
    const u = new uPlot({
      title: (temperature ? 'Accumulated value sum' : 'Accumulated depth') + ' of both series and their drift',
      width: width(box), height: 320, tzDate: utc,
      scales: {x: {time: true, auto: r.auto}},
      series: [{label: 'Time', value: '{YYYY}-{MM}-{DD} {HH}:{mm}'},
               {label: 'Observed', stroke: OBS, width: 1.5},
               {label: 'Simulated', stroke: SIM, width: 1.5},
               {label: 'Drift, simulated - observed', stroke: DRIFT, width: 1.5, scale: 'drift'}],
      axes: [{label: 'Time (clock of the series)', values: timeTicks}, {label: depth, size: 70},
             {label: 'Drift (' + (temperature ? unit + ' x lines' : 'mm') + ')', scale: 'drift', side: 1,
              size: 70, grid: {show: false}}],
      hooks: {setScale: [r.hook]},
    }, r.first(timeOf(0), timeOf(N)), box);
    record(u, 'accumulated', [1, 2, 3]);
    el('p', 'note', 'Lines where either value is negative or missing add nothing to either sum.', page);
  }

  // --------------------------------------------------------------- selections

  function classes(s) {
    const cols = ['n', 'percent_bias', 'abs_percent_bias', 'percent_rms', 'rms', 'r', 'nash_r'];
    const head = ['n', 'bias %', 'abs bias %', 'RMS %', 'RMS', 'R', 'N-S r'];
    const digits = [0, 2, 2, 2, 3, 3, 3];
    const L = s.letter.toUpperCase();
    const rows = (s.rows || []).map(r => {
      const label = L === 'E' ? 'at least ' + fmt(r.value, 3) : fmt(r.lower, 3) + ' to ' + fmt(r.upper, 3);
      if (r.found === false) return [label, 'no lines'].concat(cols.slice(1).map(() => ''));
      return [label].concat(cols.map((c, i) => fmt(r[c], digits[i])));
    });
    table(page, [L === 'E' ? 'observed value' : 'class of observed values'].concat(head), rows);
    const found = (s.rows || []).filter(r => r.found !== false);
    if (!found.length) return;
    const label = r => L === 'E' ? '>= ' + fmt(r.value, 1) : fmt(r.lower, 1) + '-' + fmt(r.upper, 1);
    const name = v => (found[v - 1] ? label(found[v - 1]) : '');
    const what = L === 'E' ? 'Observed value reached (' + unit + ')' : 'Class of observed values (' + unit + ')';
    const grid = el('div', 'pair', null, page);
    bars(grid, 'Percent bias by class (' + L + ')', found, null, 'percent_bias', 'Percent bias (%)', BAR, what, name);
    bars(grid, 'Nash-Sutcliffe r by class (' + L + ')', found, null, 'nash_r', 'Nash-Sutcliffe r (-)', BAR2, what, name);
  }

  function when(t) {
    if (!t) return '';
    const p = (v, n) => String(v).padStart(n, '0');
    return p(t.year, 4) + '-' + p(t.month, 2) + '-' + p(t.day, 2) + ' ' + p(t.hour, 2) + ':00';
  }

  function events(s) {
    const rows = (s.events || []).map(e => {
      const st = e.statistics || {}, m = e.maxima || {};
      return [e.number, when(e.begin), when(e.end), e.hours, fmt(st.percent_bias, 2), fmt(st.nash_r, 3),
              fmt(m.obs_peak, 3), fmt(m.sim_peak, 3), fmt(m.time_diff_hours, 0), fmt(m.ratio, 3)];
    });
    table(page, ['event', 'begin', 'end', 'hours', 'bias %', 'N-S r', 'observed max', 'simulated max',
                 'time diff h', 'ratio'], rows, 500);
    const p = s.pooled || {}, mm = s.maxima_means || {};
    el('p', 'note', 'Over all events: overall bias ' + fmt(p.overall_bias, 2) + ', flood bias ' +
       fmt(p.flood_bias, 2) + ', flood RMS ' + fmt(p.flood_rms, 3) + '; mean time difference of the maxima ' +
       fmt(mm.time_diff_hours, 1) + ' h, mean ratio ' + fmt(mm.ratio, 3) + '.', page);
  }

  function peaksTable(s) {
    const sm = s.summary || {};
    el('p', 'note', 'Threshold ' + fmt(s.threshold, 3) + ', window ' + s.window_used_hours + ' h: ' +
       sm.observed_peaks + ' observed peaks, ' + sm.matched_peaks + ' matched; mean time difference ' +
       fmt(sm.mean_time_diff_hours, 1) + ' h, mean peak difference ' + fmt(sm.mean_peak_diff, 2) + ' %.', page);
    const rows = (s.peaks || []).map(p => {
      const t = new Date(timeOf(p.obs_line) * 1000).toISOString().slice(0, 16).replace('T', ' ');
      return [t, fmt(p.obs_peak, 3), fmt(p.sim_peak, 3), fmt(p.time_diff_hours, 0),
              fmt(p.percent_difference, 2), fmt(p.ratio, 3)];
    });
    table(page, ['observed peak at', 'observed', 'simulated', 'time diff h', 'difference %', 'ratio'], rows, 500);
  }

  function balanceRows(s) {
    const rows = (s.rows || []).map(r => [r.first + ' to ' + r.last, fmt(r.obs_mm, 2), fmt(r.sim_mm, 2),
                                          fmt(r.error_mm, 2), fmt(r.error_period_mm, 2)]);
    table(page, ['months', 'observed (mm)', 'simulated (mm)', 'drift (mm)', 'drift in the period (mm)'], rows);
  }

  const TITLES = {A: 'Lines shown on the terminal', E: 'Fit above given observed values',
                  D: 'Fit in equal flow classes', F: 'Fit in given flow classes', G: 'Events',
                  H: 'Peaks over a threshold', I: 'Accumulated depth by runs of months'};
  function selections() {
    const list = S.selections || [];
    if (!list.length) return;
    el('h2', null, 'Selections of the control file, in run order', page);
    for (const s of list) {
      const L = String(s.letter || '?').toUpperCase();
      el('h3', null, L + ': ' + (TITLES[L] || 'selection'), page);
      if (s.refused) { el('p', 'refused', 'Refused: ' + s.refused, page); continue; }
      if (L === 'A') el('p', 'note', 'The first ' + s.lines + ' lines were shown on the terminal.', page);
      else if (L === 'E' || L === 'D' || L === 'F') classes(s);
      else if (L === 'G') events(s);
      else if (L === 'H') peaksTable(s);
      else if (L === 'I') balanceRows(s);
    }
  }

  function largest() {
    const rows = (S.largest_differences || []).map(r => [r.rank, r.date, fmt(r.obs, 3), fmt(r.sim, 3),
                                                         fmt(r.diff, 3), fmt(r.percent_error, 2)]);
    if (!rows.length) return;
    el('h2', null, 'Largest differences', page);
    table(page, ['rank', 'date', 'observed', 'simulated', 'difference', 'error %'], rows);
  }

  // --------------------------------------------------------------- self-check
  //
  // With #selfcheck in the address the page states in #twinser-check whether
  // every chart drew and whether every headline number shown is the summary's,
  // read again from the embedded text. A chart drew when its canvas has a size
  // and redrawing it without its data series changes pixels inside the plot:
  // axes, grid and marks alone do not count.
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
    return c.inked.some(i => (c.u.data[i] || []).some(v => typeof v === 'number' && isFinite(v) && !(c.bars && v === 0)));
  }
  function selfCheck(drawMs) {
    const result = {ok: true, errors: [], charts: [], numbers: [], draw_ms: drawMs};
    let chain = Promise.resolve();
    for (const c of charts) {
      chain = chain.then(() => inkOf(c)).then(ink => {
        const cv = c.u.ctx.canvas, data = hasData(c);
        const ok = cv.width > 0 && cv.height > 0 && (ink > 0 || !data);
        result.charts.push({title: c.title, width: cv.width, height: cv.height, ink: ink, has_data: data, ok: ok});
        result.ok = result.ok && ok;
      });
    }
    return chain.then(() => checkNumbers(result));
  }
  function checkNumbers(result) {
    const fresh = JSON.parse(document.getElementById('twinser-summary').textContent);
    for (const e of page.querySelectorAll('[data-key]')) {
      const v = get(fresh, e.dataset.key), digits = +e.dataset.digits;
      const shown = e.textContent;
      let ok = shown === fmt(v, digits);
      if (ok && typeof v === 'number') ok = Math.abs(parseFloat(shown) - v) <= 0.5 * Math.pow(10, -digits) * (1 + 1e-9) ||
                                            /e/.test(shown);
      result.numbers.push({key: e.dataset.key, shown: shown, json: v === undefined ? null : v, ok: ok});
      result.ok = result.ok && ok;
    }
    if (!charts.length || !result.numbers.length) result.ok = false;
    return zoomCheck(result).then(() => {
      result.errors = window.twinserErrors.slice();
      if (result.errors.length) result.ok = false;
      el('pre', null, JSON.stringify(result, null, 1), document.body).id = 'twinser-check';
    });
  }

  // Zooms the hydrograph into a tenth of the period: the largest value of each
  // series there must be drawn, then a double click must bring back the whole
  // period.
  function zoomCheck(result) {
    const u = charts[0].u;
    result.zoom = [];
    if (N < 20) return Promise.resolve();
    const i0 = Math.floor(N * 0.45), i1 = Math.floor(N * 0.55);
    u.setScale('x', {min: timeOf(i0), max: timeOf(i1)});
    return settle().then(() => {
      const mn = u.scales.x.min, mx = u.scales.x.max, xs = u.data[0];
      [obs, sim].forEach((a, k) => {
        let top = -Infinity;
        for (let i = Math.ceil(lineAt(mn)); i <= lineAt(mx) && i < N; i++) if (isFinite(a[i]) && a[i] > top) top = a[i];
        const ys = u.data[k + 1];
        let drawn = false, points = 0;
        for (let j = 0; j < xs.length; j++) {
          if (xs[j] < mn || xs[j] > mx) continue;
          points++;
          if (ys[j] === top) drawn = true;
        }
        // a bucket straddling an edge may show a larger value of its own
        drawn = drawn || !isFinite(top) || ys.some((y, j) => y === top && Math.abs(xs[j] - mn) < (mx - mn) / 50 + stepSec * 2);
        const ok = drawn && points > 0 && xs.length <= 6 * BUCKETS + 8;
        result.zoom.push({series: k ? 'simulated' : 'observed', largest_in_view: top, drawn: drawn,
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

  // ------------------------------------------------------------------- layout

  // time of each step, for the benchmark: "decoded 120 | hydrograph 210 | ..."
  const marks = ['decoded ' + (performance.now() - tStart).toFixed(0)];
  const timed = (name, f) => { const t = performance.now(); f(); marks.push(name + ' ' + (performance.now() - t).toFixed(0)); };
  timed('header', header);
  timed('hydrograph', hydrograph);
  el('h2', null, 'Simulated against observed', page);
  const side = el('div', 'pair scatter', null, page);
  timed('scatter', () => scatter(side));
  wholePeriod(side);
  timed('bars', tables);
  timed('accumulated', balance);
  timed('selections', selections);
  largest();
  // uPlot draws in microtasks queued as each chart is made, so these figures,
  // taken a few microtasks later, come before the load event: a browser that
  // dumps the page once loaded finds them. (Timers would not do: a headless
  // browser on virtual time stops the clock in them.)
  const later = async n => { for (let k = 0; k < n; k++) await null; };
  later(4).then(() => {
    const drawMs = performance.now() - tStart;
    document.body.dataset.drawMs = drawMs.toFixed(1);
    document.body.dataset.loadMs = tStart.toFixed(1);
    document.body.dataset.marks = marks.join(' | ');
    if (/bench/.test(location.hash) && N > 20) { // a zoom into a tenth, redrawn from the full data
      const u = charts[0].u, t = performance.now();
      u.setScale('x', {min: timeOf(Math.floor(N * 0.45)), max: timeOf(Math.floor(N * 0.55))});
      return later(8).then(() => {
        document.body.dataset.zoomMs = (performance.now() - t).toFixed(1);
        document.body.dataset.refineMs = refineMs.toFixed(1);
      });
    }
    if (/selfcheck/.test(location.hash)) return selfCheck(drawMs);
  });
})();
