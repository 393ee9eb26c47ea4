#!/usr/bin/env node
// Writes the bundled house models:
//   dom.dat                  the default model, a wireframe (edge model)
//   samples/house_faces.dat  the same house built of filled faces
//
// Usage: node data/make_house.js   (writes next to this script; deterministic)
//
// Units are centimetres. The front of the house (door, two windows) faces +y,
// toward the observer; z is up. The house is built around the middle of its
// ground plan and then moved so that all coordinates are 0 or more: the viewer
// scales the largest |coordinate| to 1000, so a model on one side of the
// origin spans at most 1000 units and fits the setup views and the stereo
// picture at the default layout, where a model centred on the origin (2000
// units across) would overflow them. The view centres on the mean vertex, so
// the offset does not move the house on the screen.
'use strict';

const fs = require('fs');
const path = require('path');

const W = 400; // half width (x)
const D = 300; // half depth (y)
const WALL = 300; // wall height
const RIDGE = 500; // ridge height, ridge runs along x at y = 0
const OFFSET = [W, D, 0];

// Openings, as [from, to] along the wall and [from, to] in height.
const DOOR = { u: [-250, -150], z: [0, 240] };
const DOOR_FRAME = { u: [-265, -135], z: [0, 255] };
const FRONT_WINDOWS = [
  { u: [-40, 80], z: [120, 240] },
  { u: [180, 300], z: [120, 240] },
];
const SIDE_WINDOW = { u: [-60, 60], z: [120, 240] };
// Chimney on the back slope, so from the front it rises behind the ridge.
const CHIMNEY = { x: [150, 210], y: [-150, -90], top: 560 };

// Height of the back slope of the roof at depth y (y <= 0).
const backSlopeZ = (y) => RIDGE + (y / D) * (RIDGE - WALL);

class Builder {
  constructor() {
    this.vertices = [];
    this.index = new Map();
    this.records = [];
  }
  // Vertex number (from 1) of a point; points are shared between records.
  v(x, y, z) {
    const p = [x + OFFSET[0], y + OFFSET[1], z + OFFSET[2]];
    const key = p.join(' ');
    if (!this.index.has(key)) {
      this.vertices.push(p);
      this.index.set(key, this.vertices.length);
    }
    return this.index.get(key);
  }
  add(...corners) {
    this.records.push(corners);
  }
  text(mode) {
    const lines = [String(mode), `${this.vertices.length} ${this.records.length}`];
    for (const p of this.vertices) lines.push(p.join(' '));
    for (const r of this.records) lines.push(r.join(' '));
    return lines.join('\n') + '\n';
  }
}

// Maps (u, z) on a wall to a model point.
const walls = {
  front: (u, z) => [u, D, z],
  back: (u, z) => [-u, -D, z],
  right: (u, z) => [W, -u, z],
  left: (u, z) => [-W, u, z],
};

// ---- Edge model -----------------------------------------------------------

function edgeHouse() {
  const b = new Builder();
  const line = (p, q) => b.add(b.v(...p), b.v(...q));
  const polyline = (pts) => {
    for (let i = 0; i + 1 < pts.length; i++) line(pts[i], pts[i + 1]);
  };
  const loop = (pts) => polyline([...pts, pts[0]]);

  // Walls: a box.
  const corner = (sx, sy, z) => [sx * W, sy * D, z];
  loop([corner(-1, 1, 0), corner(1, 1, 0), corner(1, -1, 0), corner(-1, -1, 0)]);
  loop([corner(-1, 1, WALL), corner(1, 1, WALL), corner(1, -1, WALL), corner(-1, -1, WALL)]);
  for (const [sx, sy] of [[-1, 1], [1, 1], [1, -1], [-1, -1]]) {
    line(corner(sx, sy, 0), corner(sx, sy, WALL));
  }

  // Roof: ridge and the rafters of both gable ends.
  line([-W, 0, RIDGE], [W, 0, RIDGE]);
  for (const sx of [-1, 1]) {
    line(corner(sx, 1, WALL), [sx * W, 0, RIDGE]);
    line(corner(sx, -1, WALL), [sx * W, 0, RIDGE]);
  }

  // Chimney: its foot follows the roof slope.
  const [x0, x1] = CHIMNEY.x;
  const [y0, y1] = CHIMNEY.y;
  const foot = [[x0, y1], [x1, y1], [x1, y0], [x0, y0]].map(([x, y]) => [x, y, backSlopeZ(y)]);
  const top = foot.map(([x, y]) => [x, y, CHIMNEY.top]);
  loop(foot);
  loop(top);
  for (let i = 0; i < 4; i++) line(foot[i], top[i]);

  // Door and its frame, both open at the ground line.
  const opening = (wall, o) =>
    polyline([wall(o.u[0], o.z[0]), wall(o.u[0], o.z[1]), wall(o.u[1], o.z[1]), wall(o.u[1], o.z[0])]);
  opening(walls.front, DOOR);
  opening(walls.front, DOOR_FRAME);

  // Windows with a cross of bars.
  const window = (wall, o) => {
    const [u0, u1] = o.u;
    const [z0, z1] = o.z;
    const um = (u0 + u1) / 2;
    const zm = (z0 + z1) / 2;
    loop([wall(u0, z0), wall(u1, z0), wall(u1, z1), wall(u0, z1)]);
    line(wall(um, z0), wall(um, z1));
    line(wall(u0, zm), wall(u1, zm));
  };
  for (const o of FRONT_WINDOWS) window(walls.front, o);
  window(walls.right, SIDE_WINDOW);
  window(walls.left, SIDE_WINDOW);

  return b.text(0);
}

// ---- Face model -----------------------------------------------------------

// The walls are divided at sill and lintel height so that every opening is a
// cell of the tiling: the tiles never overlap one another, which keeps the
// farthest-first painting free of coplanar conflicts.
const BANDS = [0, 120, 240, WALL];

function faceHouse() {
  const b = new Builder();
  const quad = (pts) => b.add(...pts.map((p) => b.v(...p)));
  const rect = (wall, u0, u1, z0, z1) => quad([wall(u0, z0), wall(u1, z0), wall(u1, z1), wall(u0, z1)]);

  // One wall from -half to +half along u; openings are [u0, u1] within one
  // band, panes: 1 for a door half, 2x2 for a window with cross bars.
  const wall = (map, half, openings) => {
    for (let i = 0; i + 1 < BANDS.length; i++) {
      const z0 = BANDS[i];
      const z1 = BANDS[i + 1];
      const here = openings
        .filter((o) => o.z[0] <= z0 && z1 <= o.z[1])
        .sort((p, q) => p.u[0] - q.u[0]);
      let u = -half;
      for (const o of here) {
        if (o.u[0] > u) rect(map, u, o.u[0], z0, z1);
        if (o.panes) {
          const um = (o.u[0] + o.u[1]) / 2;
          const zm = (z0 + z1) / 2;
          for (const [a, c] of [[o.u[0], um], [um, o.u[1]]]) {
            rect(map, a, c, z0, zm);
            rect(map, a, c, zm, z1);
          }
        } else {
          rect(map, o.u[0], o.u[1], z0, z1);
        }
        u = o.u[1];
      }
      if (u < half) rect(map, u, half, z0, z1);
    }
  };

  const windows = (list) => list.map((o) => ({ ...o, panes: true }));
  wall(walls.front, W, [DOOR, ...windows(FRONT_WINDOWS)]);
  wall(walls.right, D, windows([SIDE_WINDOW]));
  wall(walls.back, W, []);
  wall(walls.left, D, windows([SIDE_WINDOW]));

  // Gable ends.
  for (const sx of [-1, 1]) {
    b.add(b.v(sx * W, D, WALL), b.v(sx * W, -D, WALL), b.v(sx * W, 0, RIDGE));
  }

  // Roof slopes, each in two halves so that no face is much larger than the
  // faces beside it (painting order goes by each face's mean depth).
  for (const [a, c] of [[-W, 0], [0, W]]) {
    quad([[a, D, WALL], [c, D, WALL], [c, 0, RIDGE], [a, 0, RIDGE]]);
    quad([[c, -D, WALL], [a, -D, WALL], [a, 0, RIDGE], [c, 0, RIDGE]]);
  }

  // Floor, closing the solid.
  quad([[-W, D, 0], [-W, -D, 0], [W, -D, 0], [W, D, 0]]);

  // Chimney: four sides standing on the back slope, and the top.
  const [x0, x1] = CHIMNEY.x;
  const [y0, y1] = CHIMNEY.y;
  const foot = [[x0, y1], [x1, y1], [x1, y0], [x0, y0]].map(([x, y]) => [x, y, backSlopeZ(y)]);
  const top = foot.map(([x, y]) => [x, y, CHIMNEY.top]);
  for (let i = 0; i < 4; i++) {
    const j = (i + 1) % 4;
    quad([foot[i], foot[j], top[j], top[i]]);
  }
  quad(top);

  return b.text(1);
}

fs.writeFileSync(path.join(__dirname, 'dom.dat'), edgeHouse());
fs.writeFileSync(path.join(__dirname, 'samples', 'house_faces.dat'), faceHouse());
