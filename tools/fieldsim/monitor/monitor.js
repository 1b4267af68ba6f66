"use strict";
const FIELD = /*@FIELD@*/ { length: 12, width: 8, goal_width: 1.4 };
const REPLAY = /*@REPLAY@*/ false;
// What a replay adds to the drawing: which robots are shown, the line under
// the bar, and more to draw over the field.
const HOOKS = { shown: null, status: null, afterDraw: null };
const COLOURS = { left: "#2f6fe4", right: "#e0483e" };
const MARGIN = 1.0;  // metres shown around the field: the ball's walls
const canvas = document.getElementById("field");
const ctx = canvas.getContext("2d", { willReadFrequently: true });
const record = document.getElementById("drawn");
const params = new URLSearchParams(location.search);
const teamNames = { left: "", right: "" };
let latest = null;
let received = 0;
let source = "";
let drawPending = false;

function num(v) { return typeof v === "number" && isFinite(v) ? v : null; }
function text(id, value) {
  const el = document.getElementById(id);
  if (el.textContent !== value) el.textContent = value;
}
function setStatus(s) { text("status", s); }

// World metres to page pixels: field centre in the middle, +x right, +y up.
function view() {
  const w = canvas.clientWidth, h = canvas.clientHeight, pad = 6;
  const s = Math.max(0.01, Math.min((w - 2 * pad) / (FIELD.length + 2 * MARGIN),
                                    (h - 2 * pad) / (FIELD.width + 2 * MARGIN)));
  return { w: w, h: h, s: s, ox: w / 2, oy: h / 2 };
}
function px(v, x, y) { return [v.ox + x * v.s, v.oy - y * v.s]; }

function clock(t) {
  if (t === null || t < 0) return "-";
  const m = Math.floor(t / 60);
  const s = t - 60 * m;
  return m + ":" + (s < 10 ? "0" : "") + s.toFixed(1);
}

function drawField(v) {
  const L = FIELD.length, W = FIELD.width, G = FIELD.goal_width;
  ctx.fillStyle = "#1e5c2b";
  ctx.fillRect(0, 0, v.w, v.h);
  const [x0, y0] = px(v, -L / 2, W / 2);
  const bands = Math.max(2, 2 * Math.round(L / 2));
  for (let i = 0; i < bands; ++i) {
    ctx.fillStyle = i % 2 ? "#2c8a3c" : "#309442";
    ctx.fillRect(x0 + i * L * v.s / bands, y0, L * v.s / bands + 0.5, W * v.s);
  }
  ctx.strokeStyle = "rgba(255,255,255,0.92)";
  ctx.fillStyle = "rgba(255,255,255,0.92)";
  ctx.lineWidth = Math.max(1.5, 0.05 * v.s);
  ctx.strokeRect(x0, y0, L * v.s, W * v.s);
  ctx.beginPath();
  ctx.moveTo(v.ox, y0);
  ctx.lineTo(v.ox, y0 + W * v.s);
  ctx.stroke();
  ctx.beginPath();
  ctx.arc(v.ox, v.oy, (W / 10) * v.s, 0, 2 * Math.PI);
  ctx.stroke();
  ctx.beginPath();
  ctx.arc(v.ox, v.oy, Math.max(2, 0.06 * v.s), 0, 2 * Math.PI);
  ctx.fill();
  // Goals behind the lines, framed in the colour of the team defending them.
  for (const side of ["left", "right"]) {
    const dir = side === "left" ? -1 : 1;
    const [gx, gy] = px(v, dir * L / 2, G / 2);
    const depth = 0.45 * v.s;
    const left = dir < 0 ? gx - depth : gx;
    ctx.fillStyle = "rgba(255,255,255,0.28)";
    ctx.fillRect(left, gy, depth, G * v.s);
    ctx.lineWidth = Math.max(2, 0.06 * v.s);
    ctx.strokeStyle = COLOURS[side];
    ctx.strokeRect(left, gy, depth, G * v.s);
    ctx.fillStyle = "#ffffff";
    for (const py of [gy, gy + G * v.s]) {
      ctx.beginPath();
      ctx.arc(gx, py, Math.max(3, 0.06 * v.s), 0, 2 * Math.PI);
      ctx.fill();
    }
  }
}

// Colour of the pixel at page position (x, y), as "r,g,b".
function pixel(x, y) {
  const dpr = window.devicePixelRatio || 1;
  const ix = Math.round(x * dpr), iy = Math.round(y * dpr);
  if (ix < 0 || iy < 0 || ix >= canvas.width || iy >= canvas.height) return "";
  const d = ctx.getImageData(ix, iy, 1, 1).data;
  return d[0] + "," + d[1] + "," + d[2];
}

function drawRobot(v, r, marks) {
  const x = num(r.x), y = num(r.y), yaw = num(r.yaw);
  if (x === null || y === null) return;
  const side = r.side === "right" ? "right" : "left";
  const [cx, cy] = px(v, x, y);
  const rad = Math.max(8, 0.17 * v.s);
  const upright = r.state === "upright";
  const a = (yaw === null ? 0 : yaw) * Math.PI / 180;
  // Heading: an arrow outside the body, so that the body shows the team colour.
  const tipX = cx + Math.cos(a) * 2.0 * rad, tipY = cy - Math.sin(a) * 2.0 * rad;
  ctx.beginPath();
  ctx.moveTo(tipX, tipY);
  for (const da of [0.5, -0.5]) {
    ctx.lineTo(cx + Math.cos(a + da) * 0.98 * rad, cy - Math.sin(a + da) * 0.98 * rad);
  }
  ctx.closePath();
  ctx.fillStyle = "#fff5c0";
  ctx.strokeStyle = "#202020";
  ctx.lineWidth = 1;
  ctx.fill();
  ctx.stroke();
  ctx.beginPath();
  ctx.arc(cx, cy, rad, 0, 2 * Math.PI);
  ctx.globalAlpha = upright ? 1 : 0.5;
  ctx.fillStyle = COLOURS[side];
  ctx.fill();
  ctx.globalAlpha = 1;
  ctx.lineWidth = Math.max(1.5, 0.1 * rad);
  ctx.strokeStyle = upright ? "#101010" : "#ffffff";
  ctx.setLineDash(upright ? [] : [3, 3]);
  ctx.stroke();
  ctx.setLineDash([]);
  const sample = pixel(cx, cy + 0.72 * rad);
  ctx.fillStyle = "#ffffff";
  ctx.font = "bold " + Math.round(1.05 * rad) + "px system-ui, 'DejaVu Sans', sans-serif";
  ctx.textAlign = "center";
  ctx.textBaseline = "middle";
  ctx.fillText(String(r.unum), cx, cy + 0.05 * rad);
  if (!upright) {
    ctx.font = Math.round(0.8 * rad) + "px system-ui, 'DejaVu Sans', sans-serif";
    ctx.fillText("on " + (r.state === "back" ? "back" : "front"), cx, cy + 1.6 * rad);
  }
  const m = document.createElement("i");
  m.className = "robot";
  m.dataset.side = side;
  m.dataset.unum = String(r.unum);
  m.dataset.team = String(r.team);
  m.dataset.state = String(r.state);
  m.dataset.x = cx.toFixed(2);
  m.dataset.y = cy.toFixed(2);
  m.dataset.tipX = tipX.toFixed(2);
  m.dataset.tipY = tipY.toFixed(2);
  m.dataset.rgb = sample;
  marks.push(m);
}

function drawBall(v, b, marks) {
  const x = b ? num(b.x) : null, y = b ? num(b.y) : null;
  if (x === null || y === null) return;
  const [cx, cy] = px(v, x, y);
  ctx.beginPath();
  ctx.arc(cx, cy, Math.max(5, 0.08 * v.s), 0, 2 * Math.PI);
  ctx.fillStyle = "#ff9a1f";
  ctx.fill();
  ctx.lineWidth = 1.5;
  ctx.strokeStyle = "#1a1a1a";
  ctx.stroke();
  const m = document.createElement("i");
  m.className = "ball";
  m.dataset.x = cx.toFixed(2);
  m.dataset.y = cy.toFixed(2);
  marks.push(m);
}

// The referee's moves and fouls, each kept for a few seconds of server time:
// an arrow from where the referee took a robot (or the ball) to where it put
// it, named by its rule, and a card over a robot it called a foul on.
const REFEREE_SHOWN = 3.0;  // s
const refereeSeen = [];     // { time, entry }
let refereeCycle = null;

function noteReferee(st) {
  if (!st || num(st.cycle) === null || st.cycle === refereeCycle) return;
  refereeCycle = st.cycle;
  const t = num(st.time);
  if (t === null) return;
  // Old ones go, and, after a seek back in a replay, the ones still to come.
  for (let i = refereeSeen.length - 1; i >= 0; --i) {
    const age = t - refereeSeen[i].time;
    if (age < 0 || age > REFEREE_SHOWN) refereeSeen.splice(i, 1);
  }
  if (!Array.isArray(st.referee)) return;
  for (const e of st.referee) {
    if (e && typeof e === "object" && typeof e.rule === "string") refereeSeen.push({ time: t, entry: e });
  }
}

function spot(p) {
  return Array.isArray(p) && p.length >= 2 && num(p[0]) !== null && num(p[1]) !== null ? p : null;
}

function outlined(s, x, y, colour, size) {
  ctx.font = "bold " + size + "px system-ui, 'DejaVu Sans', sans-serif";
  ctx.textAlign = "center";
  ctx.textBaseline = "middle";
  ctx.lineWidth = 3;
  ctx.strokeStyle = "#101010";
  ctx.strokeText(s, x, y);
  ctx.fillStyle = colour;
  ctx.fillText(s, x, y);
}

function drawReferee(v, st, marks) {
  const now = st ? num(st.time) : null;
  if (now === null) return;
  const rad = Math.max(8, 0.17 * v.s);
  const robots = Array.isArray(st.robots) ? st.robots : [];
  for (const seen of refereeSeen) {
    const age = now - seen.time, e = seen.entry;
    if (age < 0 || age > REFEREE_SHOWN) continue;
    const side = e.side === "right" ? "right" : "left";
    const m = document.createElement("i");
    m.className = "referee";
    m.dataset.rule = e.rule;
    m.dataset.age = age.toFixed(2);
    ctx.globalAlpha = 1 - 0.7 * age / REFEREE_SHOWN;
    if (e.foul) {
      // A yellow card above the robot, wherever it is now.
      const r = robots.find(q => q && q.side === side && q.unum === e.unum);
      if (!r || num(r.x) === null || num(r.y) === null) {
        ctx.globalAlpha = 1;
        continue;
      }
      const [cx, cy] = px(v, r.x, r.y);
      const w = 0.9 * rad, h = 1.25 * rad, top = cy - 2.6 * rad;
      ctx.fillStyle = "#ffd400";
      ctx.strokeStyle = "#101010";
      ctx.lineWidth = 1.5;
      ctx.fillRect(cx - w / 2, top, w, h);
      ctx.strokeRect(cx - w / 2, top, w, h);
      outlined(e.rule, cx, top - 0.6 * rad, "#ffd400", Math.round(0.8 * rad));
      m.dataset.kind = "foul";
      m.dataset.side = side;
      m.dataset.unum = String(e.unum);
      m.dataset.x = cx.toFixed(2);
      m.dataset.y = (top + h / 2).toFixed(2);
    } else {
      const from = spot(e.from), to = spot(e.to);
      // The hold above the field moves a robot up, not across: its card says it.
      if (!from || !to || Math.hypot(to[0] - from[0], to[1] - from[1]) < 0.05) {
        ctx.globalAlpha = 1;
        continue;
      }
      const colour = e.ball ? "#ff9a1f" : COLOURS[side];
      const [fx, fy] = px(v, from[0], from[1]), [tx, ty] = px(v, to[0], to[1]);
      // The arrow ends at the edge of the robot or ball drawn where it was put.
      const a = Math.atan2(ty - fy, tx - fx), head = 0.9 * rad;
      const gap = Math.min(Math.hypot(tx - fx, ty - fy) / 2, e.ball ? Math.max(5, 0.08 * v.s) : rad);
      const ex = tx - gap * Math.cos(a), ey = ty - gap * Math.sin(a);
      ctx.lineWidth = Math.max(2, 0.05 * v.s);
      ctx.strokeStyle = colour;
      ctx.setLineDash([6, 4]);
      ctx.beginPath();
      ctx.arc(fx, fy, 0.6 * rad, 0, 2 * Math.PI);
      ctx.moveTo(fx, fy);
      ctx.lineTo(ex, ey);
      ctx.stroke();
      ctx.setLineDash([]);
      ctx.beginPath();
      ctx.moveTo(ex, ey);
      ctx.lineTo(ex - head * Math.cos(a - 0.45), ey - head * Math.sin(a - 0.45));
      ctx.lineTo(ex - head * Math.cos(a + 0.45), ey - head * Math.sin(a + 0.45));
      ctx.closePath();
      ctx.fillStyle = colour;
      ctx.fill();
      ctx.strokeStyle = "#101010";
      ctx.lineWidth = 1;
      ctx.stroke();
      outlined(e.rule, (fx + tx) / 2, (fy + ty) / 2 - 0.9 * rad, "#ffffff", Math.round(0.9 * rad));
      m.dataset.kind = e.ball ? "ball" : "move";
      if (!e.ball) {
        m.dataset.side = side;
        m.dataset.unum = String(e.unum);
      }
      m.dataset.fromX = fx.toFixed(2);
      m.dataset.fromY = fy.toFixed(2);
      m.dataset.toX = tx.toFixed(2);
      m.dataset.toY = ty.toFixed(2);
    }
    ctx.globalAlpha = 1;
    marks.push(m);
  }
}

function draw() {
  drawPending = false;
  const dpr = window.devicePixelRatio || 1;
  const v = view();
  const bw = Math.max(1, Math.round(v.w * dpr)), bh = Math.max(1, Math.round(v.h * dpr));
  if (canvas.width !== bw || canvas.height !== bh) {
    canvas.width = bw;
    canvas.height = bh;
  }
  ctx.setTransform(dpr, 0, 0, dpr, 0, 0);
  drawField(v);
  const marks = [];
  const st = latest;
  if (st && Array.isArray(st.robots)) {
    for (const r of st.robots) {
      if (r && typeof r === "object" && (!HOOKS.shown || HOOKS.shown(r))) drawRobot(v, r, marks);
    }
  }
  if (st) drawBall(v, st.ball, marks);
  noteReferee(st);
  drawReferee(v, st, marks);
  if (HOOKS.afterDraw) HOOKS.afterDraw(v, st, marks);
  const [fl, ft] = px(v, -FIELD.length / 2, FIELD.width / 2);
  const [fr, fb] = px(v, FIELD.length / 2, -FIELD.width / 2);
  record.dataset.cycle = st && num(st.cycle) !== null ? String(st.cycle) : "-1";
  record.dataset.events = String(received);
  record.dataset.source = source;
  record.dataset.fieldLeft = fl.toFixed(2);
  record.dataset.fieldTop = ft.toFixed(2);
  record.dataset.fieldRight = fr.toFixed(2);
  record.dataset.fieldBottom = fb.toFixed(2);
  record.replaceChildren(...marks);
}

function requestDraw() {
  if (drawPending) return;
  drawPending = true;
  requestAnimationFrame(draw);
}

function showBar(st) {
  for (const r of Array.isArray(st.robots) ? st.robots : []) {
    if (r && (r.side === "left" || r.side === "right") && typeof r.team === "string") {
      teamNames[r.side] = r.team;
    }
  }
  const score = st.score || {};
  const ls = num(score.left), rs = num(score.right);
  text("left-team", teamNames.left || "Left");
  text("right-team", teamNames.right || "Right");
  text("left-score", ls === null ? "-" : String(ls));
  text("right-score", rs === null ? "-" : String(rs));
  text("mode", typeof st.play_mode === "string" ? st.play_mode : "-");
  text("clock", clock(num(st.game_time)));
  const t = num(st.time);
  setStatus(HOOKS.status ? HOOKS.status(st) :
            (source === "events" ? "live" : "polling") + " \u00b7 cycle " + st.cycle +
            (t === null ? "" : " \u00b7 server time " + t.toFixed(2) + " s"));
  document.title = (teamNames.left || "Left") + " " + ls + ":" + rs + " " +
                   (teamNames.right || "Right") + " - fieldsim";
}

function handleState(textValue) {
  let st;
  try {
    st = JSON.parse(textValue);
  } catch (e) {
    return;
  }
  if (!st || typeof st !== "object") return;
  latest = st;
  ++received;
  // Every state that arrives, drawn or not: the referee's marks stay a while.
  noteReferee(st);
  showBar(st);
  requestDraw();
}

// Polling: for browsers without server-sent events, when the stream cannot be
// had, or when the page is opened with ?poll.
function poll() {
  source = "poll";
  fetch("state", { cache: "no-store" })
    .then(r => (r.ok ? r.text() : null))
    .then(t => {
      if (t) handleState(t);
      else setStatus("waiting for the first cycle");
    })
    .catch(() => setStatus("fieldsim is not answering; retrying"))
    .finally(() => setTimeout(poll, 100));
}

function listen() {
  source = "events";
  const es = new EventSource("events");
  es.onmessage = e => handleState(e.data);
  es.onerror = () => {
    if (es.readyState === EventSource.CLOSED) {
      es.close();
      poll();
    } else {
      setStatus("connection lost; reconnecting");
    }
  };
}

/*@REPLAY_JS@*/
window.addEventListener("resize", requestDraw);
requestDraw();
if (REPLAY) startReplay();
else if (window.EventSource && !params.has("poll")) listen();
else poll();
