// ---- replay: a recorded game, the truth from its log and each player's beliefs ----
const CHUNK = 250;  // frames fetched at once
const SPEEDS = [0.25, 0.5, 1, 2, 4, 8];
const replay = { total: 0, frame: 0, pos: 0, playing: false, speed: 1, lastTs: null, marks: [],
                 players: new Map(), beliefs: true, chunks: new Map(), plot: null };
const $ = id => document.getElementById(id);
function keyOf(r) { return (r.side === "right" ? "right" : "left") + " " + r.unum; }
function fixed(v, d, unit) { return v === null ? "-" : v.toFixed(d) + unit; }

HOOKS.shown = r => { const p = replay.players.get(keyOf(r)); return !p || p.show; };
HOOKS.status = st => "replay \u00b7 cycle " + st.cycle + " \u00b7 " + (replay.playing ? "playing" : "paused") +
  " at " + replay.speed + "\u00d7";
HOOKS.afterDraw = drawBeliefs;

// A ring in the player's colour where it believed it stood, a tick along the
// heading it believed, and a thin line to where it really was; a ring for
// the ball it believed, joined to the real ball.
function drawBeliefs(v, st, marks) {
  record.dataset.frame = String(replay.frame);
  record.dataset.time = st && num(st.time) !== null ? st.time.toFixed(3) : "";
  if (!st || !Array.isArray(st.robots) || !replay.beliefs) return;
  const rad = Math.max(8, 0.17 * v.s), ballRad = Math.max(5, 0.08 * v.s);
  const ball = st.ball || {};
  for (const r of st.robots) {
    const b = r && r.belief;
    const p = b ? replay.players.get(keyOf(r)) : null;
    if (!b || (p && (!p.show || !p.belief))) continue;
    const x = num(b.x), y = num(b.y);
    if (x === null || y === null) continue;
    const colour = p ? p.colour : COLOURS[r.side === "right" ? "right" : "left"];
    const [cx, cy] = px(v, x, y);
    if (num(r.x) !== null && num(r.y) !== null) joinLine(px(v, r.x, r.y), [cx, cy]);
    const a = (num(b.yaw) === null ? 0 : b.yaw) * Math.PI / 180;
    const tipX = cx + Math.cos(a) * 1.7 * rad, tipY = cy - Math.sin(a) * 1.7 * rad;
    for (const [w, c] of [[4.5, "#101010"], [2.2, colour]]) {
      ctx.lineWidth = w;
      ctx.strokeStyle = c;
      ctx.beginPath();
      ctx.arc(cx, cy, 0.8 * rad, 0, 2 * Math.PI);
      ctx.moveTo(cx + Math.cos(a) * 0.8 * rad, cy - Math.sin(a) * 0.8 * rad);
      ctx.lineTo(tipX, tipY);
      ctx.stroke();
    }
    label(String(r.unum), cx, cy, colour, Math.round(0.9 * rad));
    const m = mark("belief", r, cx, cy);
    m.dataset.tipX = tipX.toFixed(2);
    m.dataset.tipY = tipY.toFixed(2);
    marks.push(m);
    const bb = b.ball;
    if (!bb || num(bb.x) === null || num(bb.y) === null) continue;
    const [qx, qy] = px(v, bb.x, bb.y);
    if (num(ball.x) !== null && num(ball.y) !== null) joinLine(px(v, ball.x, ball.y), [qx, qy]);
    for (const [w, c] of [[4, "#101010"], [2, "#ff9a1f"]]) {
      ctx.lineWidth = w;
      ctx.strokeStyle = c;
      ctx.beginPath();
      ctx.arc(qx, qy, 1.2 * ballRad, 0, 2 * Math.PI);
      ctx.stroke();
    }
    label(String(r.unum), qx + 2.2 * ballRad, qy - 1.6 * ballRad, colour, Math.round(1.6 * ballRad));
    marks.push(mark("belief-ball", r, qx, qy));
  }
}
function joinLine([x0, y0], [x1, y1]) {
  ctx.lineWidth = 1.2;
  ctx.strokeStyle = "rgba(255,255,255,0.9)";
  ctx.setLineDash([4, 3]);
  ctx.beginPath();
  ctx.moveTo(x0, y0);
  ctx.lineTo(x1, y1);
  ctx.stroke();
  ctx.setLineDash([]);
}
function label(t, x, y, colour, size) {
  ctx.font = "bold " + size + "px system-ui, 'DejaVu Sans', sans-serif";
  ctx.textAlign = "center";
  ctx.textBaseline = "middle";
  ctx.lineWidth = 3;
  ctx.strokeStyle = "#101010";
  ctx.strokeText(t, x, y);
  ctx.fillStyle = colour;
  ctx.fillText(t, x, y);
}
function mark(kind, r, x, y) {
  const m = document.createElement("i");
  m.className = kind;
  m.dataset.side = r.side === "right" ? "right" : "left";
  m.dataset.unum = String(r.unum);
  m.dataset.x = x.toFixed(2);
  m.dataset.y = y.toFixed(2);
  return m;
}

// Frames come in batches; the ones near the playing position are kept.
function chunkOf(f) { return Math.floor(f / CHUNK); }
function stateAt(f) {
  const c = replay.chunks.get(chunkOf(f));
  return c ? c[f - chunkOf(f) * CHUNK] || null : null;
}
function need(c) {
  if (c < 0 || c * CHUNK >= replay.total || replay.chunks.has(c)) return;
  replay.chunks.set(c, null);
  fetch("replay/states?from=" + c * CHUNK + "&count=" + CHUNK, { cache: "no-store" })
    .then(r => (r.ok ? r.json() : Promise.reject(new Error("HTTP " + r.status))))
    .then(j => {
      replay.chunks.set(c, Array.isArray(j.states) ? j.states : []);
      for (const k of [...replay.chunks.keys()]) {
        if (Math.abs(k - chunkOf(replay.frame)) > 20) replay.chunks.delete(k);
      }
      if (chunkOf(replay.frame) === c) show();
    })
    .catch(() => {
      replay.chunks.delete(c);
      setStatus("fieldsim is not answering; retrying");
      setTimeout(() => need(c), 1000);
    });
}

function show() {
  const st = stateAt(replay.frame);
  need(chunkOf(replay.frame));
  if (replay.frame % CHUNK > CHUNK / 2) need(chunkOf(replay.frame) + 1);
  if (!st) return;
  latest = st;
  ++received;
  showBar(st);
  showPlayers(st);
  $("at").textContent = "cycle " + st.cycle + " \u00b7 " + fixed(num(st.time), 2, " s");
  requestDraw();
  drawPlot();
}
function setFrame(f) {
  replay.frame = Math.max(0, Math.min(replay.total - 1, Math.round(f)));
  replay.pos = replay.frame;
  $("seek").value = String(replay.frame);
  show();
}
function play(on) {
  replay.playing = on && replay.total > 1;
  if (replay.playing && replay.frame >= replay.total - 1) setFrame(0);
  $("play").innerHTML = replay.playing ? "&#10074;&#10074; pause" : "&#9654; play";
  replay.lastTs = null;
  if (replay.playing) requestAnimationFrame(tick);
  if (latest) showBar(latest);
}
function setSpeed(s) {
  replay.speed = SPEEDS.includes(s) ? s : 1;
  $("speed").value = String(replay.speed);
  if (latest) showBar(latest);
}
// One cycle of the recording is 20 ms of server time, played `speed` times as fast.
function tick(ts) {
  if (!replay.playing) return;
  if (replay.lastTs !== null) {
    const next = Math.min(replay.total - 1, replay.pos + (ts - replay.lastTs) / 20 * replay.speed);
    const f = Math.floor(next);
    if (stateAt(f)) {
      replay.pos = next;
      replay.frame = f;
      $("seek").value = String(f);
      show();
    } else {
      need(chunkOf(f));  // held until the frames are there
    }
    if (f >= replay.total - 1) play(false);
  }
  replay.lastTs = ts;
  if (replay.playing) requestAnimationFrame(tick);
}
function step(n) {
  play(false);
  setFrame(replay.frame + n);
}
function jumpMark(dir) {
  const ms = replay.marks;
  const m = dir > 0 ? ms.find(x => x.frame > replay.frame) : [...ms].reverse().find(x => x.frame < replay.frame);
  if (m) setFrame(m.frame);
}
function seekTime(t) {
  return fetch("state?t=" + encodeURIComponent(t), { cache: "no-store" })
    .then(r => (r.ok ? r.json() : Promise.reject(new Error("HTTP " + r.status))))
    .then(st => setFrame(num(st.frame) === null ? 0 : st.frame));
}

window.addEventListener("keydown", e => {
  const t = e.target;
  if (t && (t.tagName === "SELECT" || (t.tagName === "INPUT" && t.type !== "range" && t.type !== "checkbox"))) return;
  const big = e.shiftKey ? 50 : 1;
  const actions = {
    " ": () => play(!replay.playing), k: () => play(!replay.playing),
    ArrowRight: () => step(big), ArrowLeft: () => step(-big), ".": () => step(1), ",": () => step(-1),
    PageDown: () => jumpMark(1), PageUp: () => jumpMark(-1), "]": () => jumpMark(1), "[": () => jumpMark(-1),
    Home: () => step(-replay.total), End: () => step(replay.total),
    "+": () => setSpeed(SPEEDS[Math.min(SPEEDS.length - 1, SPEEDS.indexOf(replay.speed) + 1)]),
    "-": () => setSpeed(SPEEDS[Math.max(0, SPEEDS.indexOf(replay.speed) - 1)]),
  };
  const act = actions[e.key];
  if (!act || e.ctrlKey || e.metaKey || e.altKey) return;
  e.preventDefault();
  act();
}, true);
// The players' table: whom to show, whose beliefs, and their errors now.
function showPlayers(st) {
  const seen = new Set();
  for (const r of Array.isArray(st.robots) ? st.robots : []) {
    const p = r && replay.players.get(keyOf(r));
    if (!p) continue;
    seen.add(p);
    const b = r.belief;
    const he = b ? num(b.heading_error) : null;
    p.cells[0].textContent = b ? fixed(num(b.position_error), 2, " m") : "-";
    p.cells[1].textContent = he === null ? "-" : Math.abs(he).toFixed(1) + "\u00b0";
    p.cells[2].textContent = b ? fixed(num(b.ball_error), 2, " m") : "-";
    p.row.dataset.positionError = b && num(b.position_error) !== null ? b.position_error.toFixed(3) : "";
  }
  for (const p of replay.players.values()) {
    if (seen.has(p)) continue;
    for (const c of p.cells) c.textContent = "-";
    p.row.dataset.positionError = "";
  }
}
function checkbox(on, disabled, change) {
  const c = document.createElement("input");
  c.type = "checkbox";
  c.checked = on;
  c.disabled = disabled;
  c.addEventListener("change", () => { change(c.checked); replay.plot = null; requestDraw(); drawPlot(); });
  return c;
}
function setupPlayers(list) {
  const body = $("players").tBodies[0];
  const perSide = { left: 0, right: 0 };
  for (const q of Array.isArray(list) ? list : []) {
    const side = q.side === "right" ? "right" : "left";
    const k = perSide[side]++;
    const p = { show: true, belief: !!q.beliefs, error: Array.isArray(q.error) ? q.error : [],
                colour: "hsl(" + (side === "left" ? 218 - 14 * (k % 3) : 6 + 14 * (k % 3)) + ",85%," +
                        (62 - 9 * (Math.floor(k / 3) % 3)) + "%)" };
    const row = body.insertRow();
    row.dataset.key = side + " " + q.unum;
    row.insertCell().append(checkbox(true, false, on => { p.show = on; }));
    const name = row.insertCell();
    const sw = document.createElement("span");
    sw.className = "swatch";
    sw.style.background = p.colour;
    name.append(sw, String(q.team) + " " + q.unum + " (" + side + ")");
    const bc = checkbox(p.belief, !q.beliefs, on => { p.belief = on; });
    bc.className = "belief-switch";
    bc.title = q.beliefs ? String(q.file) : "no beliefs recorded";
    row.insertCell().append(bc);
    p.cells = [row.insertCell(), row.insertCell(), row.insertCell()];
    p.row = row;
    replay.players.set(row.dataset.key, p);
  }
  $("all-beliefs").addEventListener("change", e => {
    replay.beliefs = e.target.checked;
    replay.plot = null;
    requestDraw();
    drawPlot();
  });
}
// Each player's position error over the whole game; the current cycle as a line.
function drawPlot() {
  const c = $("plot");
  const dpr = window.devicePixelRatio || 1;
  const w = c.clientWidth, h = c.clientHeight;
  if (w < 10 || h < 10 || replay.total < 1) return;
  const pad = { l: 34, r: 6, t: 14, b: 14 };
  if (!replay.plot || replay.plot.w !== w || replay.plot.h !== h) {
    const img = document.createElement("canvas");
    img.width = Math.round(w * dpr);
    img.height = Math.round(h * dpr);
    const g = img.getContext("2d");
    g.setTransform(dpr, 0, 0, dpr, 0, 0);
    g.fillStyle = "#1b2025";
    g.fillRect(0, 0, w, h);
    const shown = [...replay.players.values()].filter(p => p.show && p.belief && replay.beliefs && p.error.length);
    let top = 0;
    for (const p of shown) for (const e of p.error) top = Math.max(top, num(e[1]) || 0);
    if (top <= 0) top = 1;
    const decade = Math.pow(10, Math.floor(Math.log10(top)));
    top = [1, 2, 5, 10].map(m => m * decade).find(v => v >= top - 1e-9);
    const fx = f => pad.l + f / Math.max(1, replay.total - 1) * (w - pad.l - pad.r);
    const fy = v => h - pad.b - Math.min(v, top) / top * (h - pad.t - pad.b);
    g.strokeStyle = "#55606a";
    g.lineWidth = 1;
    g.strokeRect(pad.l, pad.t, w - pad.l - pad.r, h - pad.t - pad.b);
    g.fillStyle = "#9aa3ab";
    g.font = "11px system-ui, 'DejaVu Sans', sans-serif";
    g.textBaseline = "middle";
    g.textAlign = "right";
    g.fillText(top.toFixed(top < 1 ? 2 : 1), pad.l - 3, pad.t);
    g.fillText("0", pad.l - 3, h - pad.b);
    g.textAlign = "left";
    g.fillText(shown.length ? "position error, m" : "no beliefs shown", pad.l + 4, 6);
    for (const p of shown) {
      g.strokeStyle = p.colour;
      g.lineWidth = 1.4;
      g.beginPath();
      let prev = -2;
      for (const [f, v] of p.error) {
        if (f - prev > 1.5 * Math.max(1, replay.total / 1500)) g.moveTo(fx(f), fy(v));
        else g.lineTo(fx(f), fy(v));
        prev = f;
      }
      g.stroke();
    }
    replay.plot = { w, h, img, fx };
    c.dataset.lines = String(shown.length);
    c.dataset.top = top.toFixed(3);
  }
  if (c.width !== replay.plot.img.width || c.height !== replay.plot.img.height) {
    c.width = replay.plot.img.width;
    c.height = replay.plot.img.height;
  }
  const g = c.getContext("2d");
  g.setTransform(1, 0, 0, 1, 0, 0);
  g.drawImage(replay.plot.img, 0, 0);
  g.setTransform(dpr, 0, 0, dpr, 0, 0);
  const x = replay.plot.fx(replay.frame);
  g.strokeStyle = "#ffffff";
  g.beginPath();
  g.moveTo(x, pad.t);
  g.lineTo(x, h - pad.b);
  g.stroke();
}
function setupTimeline(ix) {
  replay.total = Math.max(0, Math.floor(num(ix.frames) || 0));
  $("seek").max = String(Math.max(0, replay.total - 1));
  replay.marks = Array.isArray(ix.marks) ? ix.marks.filter(m => num(m.frame) !== null) : [];
  const ticks = $("ticks"), jump = $("jump");
  jump.add(new Option("play modes and goals\u2026", ""));
  for (const m of replay.marks) {
    const at = fixed(num(m.time), 2, " s") + " \u00b7 " + String(m.label);
    const t = document.createElement("button");
    t.className = "tick " + (m.kind === "goal" ? "goal" : "mode");
    t.style.left = (100 * m.frame / Math.max(1, replay.total - 1)).toFixed(3) + "%";
    t.title = at;
    t.addEventListener("click", () => setFrame(m.frame));
    ticks.append(t);
    jump.add(new Option(at, String(m.frame)));
  }
  jump.addEventListener("change", () => {
    if (jump.value !== "") setFrame(Number(jump.value));
    jump.value = "";
    jump.blur();
  });
  $("seek").addEventListener("input", e => setFrame(Number(e.target.value)));
  $("play").addEventListener("click", () => play(!replay.playing));
  $("back").addEventListener("click", () => step(-1));
  $("on").addEventListener("click", () => step(1));
  $("speed").addEventListener("change", e => setSpeed(Number(e.target.value)));
  $("plot").addEventListener("click", e => {
    if (!replay.plot) return;
    const r = e.target.getBoundingClientRect();
    const inner = replay.plot.w - 40;
    setFrame((e.clientX - r.left - 34) / Math.max(1, inner) * (replay.total - 1));
  });
  window.addEventListener("resize", drawPlot);
  const notes = Array.isArray(ix.notes) ? ix.notes : [];
  if (notes.length) {
    const box = $("notes");
    box.hidden = false;
    box.querySelector("summary").textContent = notes.length + (notes.length === 1 ? " note" : " notes") +
      " from loading: what was skipped";
    for (const n of notes) box.querySelector("ul").append(Object.assign(document.createElement("li"), { textContent: String(n) }));
  }
}
function startReplay() {
  source = "replay";
  setStatus("loading the recording");
  fetch("replay/index", { cache: "no-store" })
    .then(r => (r.ok ? r.json() : Promise.reject(new Error("HTTP " + r.status))))
    .then(ix => {
      setupPlayers(ix.players);
      setupTimeline(ix);
      setSpeed(Number(params.get("speed")) || 1);
      const t = params.get("t");
      return t !== null && isFinite(Number(t)) ? seekTime(Number(t)) : setFrame(0);
    })
    .then(() => { if (params.has("play")) play(true); })
    .catch(e => setStatus("cannot load the recording: " + e.message));
}
