#!/usr/bin/env node
// Converts a triangle mesh published as an npm package ({positions, cells},
// e.g. `bunny` or `teapot`) into a KELPRIS face-model scene file.
//
// Usage (from a folder where the package is installed):
//   node scripts/convert_to_scene.js <package> <output.dat>
//
// The mesh is turned so that it stands upright (model z up) and shows its
// front toward the observer at +y, moved so that its bounding box starts at
// a per-model offset, and scaled so that its largest coordinate is exactly 1000.
// Coordinates are written as integers: the viewer's loader scales the largest
// |coordinate| to 1000, here by 1000 / 1000 = 1, so the file loads without any
// further rounding. Keeping the model on one side of the origin makes it span
// at most 1000 units rather than 2000, so it fits the views at the default
// layout (the view centres on the mean vertex, wherever the model lies). Output
// is deterministic.
'use strict';

const fs = require('fs');
const path = require('path');
const { createRequire } = require('module');

// Per package: how to turn the published (y-up) data into z-up, front at +y
// (both proper rotations, determinant +1, so no mirror image arises), and
// where its bounding box starts. The loader scales the largest |coordinate|
// to 1000, so a model placed in offset..1000 spans 1000 - offset units: the
// tall bunny needs a margin to fit the stereo screen at the default layout,
// the flat teapot does not.
const MODELS = {
  // The bunny's nose points toward -x: keep it looking left, y becomes z, so
  // the observer sees its familiar profile.
  bunny: { orient: ([x, y, z]) => [x, -z, y], offset: 300 },
  // The teapot's spout points toward +x: keep it on the right, y becomes z,
  // so the observer sees the classic side view.
  teapot: { orient: ([x, y, z]) => [x, -z, y], offset: 0 },
};

function fail(message) {
  process.stderr.write(`convert_to_scene: ${message}\n`);
  process.exit(1);
}

function convert(mesh, { orient, offset }) {
  const target = 1000 - offset;
  const { positions, cells } = mesh;
  if (!Array.isArray(positions) || positions.length < 1) fail('no positions');
  if (!Array.isArray(cells) || cells.length < 1) fail('no cells');

  const turned = positions.map((p) => {
    if (!Array.isArray(p) || p.length !== 3 || !p.every(Number.isFinite)) {
      fail('every position must be three finite numbers');
    }
    return orient(p);
  });

  const lo = [Infinity, Infinity, Infinity];
  const hi = [-Infinity, -Infinity, -Infinity];
  for (const p of turned) {
    for (let k = 0; k < 3; k++) {
      lo[k] = Math.min(lo[k], p[k]);
      hi[k] = Math.max(hi[k], p[k]);
    }
  }
  const extent = Math.max(...hi.map((h, k) => h - lo[k]));
  if (!(extent > 0)) fail('the mesh has no extent');

  // Rounded integer coordinates in offset..1000; the largest lands on exactly
  // 1000.
  const verts = turned.map((p) =>
    p.map((v, k) => offset + Math.round(((v - lo[k]) / extent) * target)),
  );

  const faces = [];
  for (const c of cells) {
    if (!Array.isArray(c) || c.length < 3 || c.length > 4) {
      fail('every cell must be a triangle or a quadrilateral');
    }
    for (const i of c) {
      if (!Number.isInteger(i) || i < 0 || i >= verts.length) {
        fail(`cell refers to a missing vertex: ${i}`);
      }
    }
    // A cell with a repeated corner covers no area; leave it out.
    if (new Set(c).size !== c.length) continue;
    faces.push(c.map((i) => i + 1));
  }
  if (faces.length < 1) fail('no usable cells');

  // Plain decimals with single blanks keep every face line short and free of
  // leading zeros (a leading 0 would be read as octal).
  const lines = ['1', `${verts.length} ${faces.length}`];
  for (const v of verts) lines.push(v.join(' '));
  for (const f of faces) lines.push(f.join(' '));
  return lines.join('\n') + '\n';
}

function main() {
  const [name, out] = process.argv.slice(2);
  if (!name || !out) fail('usage: convert_to_scene.js <package> <output.dat>');
  const model = MODELS[name];
  if (!model) fail(`no orientation known for package "${name}"`);
  // Resolve the package from the current folder, where it was installed.
  const load = createRequire(path.join(process.cwd(), 'noop.js'));
  fs.writeFileSync(out, convert(load(name), model));
}

main();
