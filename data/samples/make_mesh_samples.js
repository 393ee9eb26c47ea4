#!/usr/bin/env node
// Writes the sample models in mesh formats from the bundled scene files, so
// that every format the importer reads has a small real model to try:
//   bunny.stl          binary STL, the bunny scaled by 0.0873 (z up)
//   teapot.obj         OBJ triangles, the teapot / 64 (z up; exact decimals)
//   teapot.gltf        glTF 2.0 with an embedded buffer, the same floats as
//                      teapot.obj but y up and front +z, as glTF has it
//   house_faces.ply    binary little-endian PLY with the house's quads
//   house_edges.obj    OBJ lines of the wireframe house (an edge model)
//
// Usage: node data/samples/make_mesh_samples.js   (deterministic)
'use strict';

const fs = require('fs');
const path = require('path');

const here = __dirname;

function readScene(file) {
  const words = fs.readFileSync(file, 'utf8').split(/\s+/).filter((w) => w !== '');
  let at = 0;
  const next = () => Number(words[at++]);
  const faceModel = next() !== 0;
  const vertexCount = next();
  const recordCount = next();
  const vertices = [];
  for (let i = 0; i < vertexCount; ++i) vertices.push([next(), next(), next()]);
  // Face lines hold 3 or 4 numbers; read line by line for those.
  const lines = fs.readFileSync(file, 'utf8').split('\n').map((l) => l.trim()).filter((l) => l);
  const records = lines.slice(2 + vertexCount, 2 + vertexCount + recordCount)
    .map((l) => l.split(/\s+/).map(Number).map((n) => n - 1));
  return { faceModel, vertices, records };
}

const f32 = (v) => Math.fround(v);
// Enough digits for a float to read back as the same float.
const text = (v) => String(Number(f32(v).toPrecision(9)));

function writeBinaryStl(file, scene, scale) {
  const triangles = scene.records;
  const out = Buffer.alloc(84 + 50 * triangles.length);
  out.write('KELPRIS sample: Stanford bunny (public domain)'.padEnd(80, ' '), 0, 'latin1');
  out.writeUInt32LE(triangles.length, 80);
  let at = 84;
  for (const t of triangles) {
    at += 12; // normal left 0: readers compute their own
    for (const i of t) {
      for (const c of scene.vertices[i]) {
        out.writeFloatLE(f32(c * scale), at);
        at += 4;
      }
    }
    at += 2;
  }
  fs.writeFileSync(file, out);
}

function writeObjFaces(file, scene, scale, title) {
  let s = `# ${title}\n`;
  for (const v of scene.vertices) s += `v ${v.map((c) => text(c * scale)).join(' ')}\n`;
  for (const r of scene.records) s += `f ${r.map((i) => i + 1).join(' ')}\n`;
  fs.writeFileSync(file, s);
}

function writeObjLines(file, scene, title) {
  let s = `# ${title}\n`;
  for (const v of scene.vertices) s += `v ${v.join(' ')}\n`;
  for (const r of scene.records) s += `l ${r[0] + 1} ${r[1] + 1}\n`;
  fs.writeFileSync(file, s);
}

// glTF is y up with the front towards +z; the viewer turns (x, y, z) into
// (-x, z, y), so the z-up point (X, Y, Z) is stored as (-X, Z, Y).
function writeGltf(file, scene, scale) {
  const positions = new Float32Array(scene.vertices.length * 3);
  scene.vertices.forEach((v, i) => {
    positions[3 * i] = -f32(v[0] * scale);
    positions[3 * i + 1] = f32(v[2] * scale);
    positions[3 * i + 2] = f32(v[1] * scale);
  });
  const indices = new Uint32Array(scene.records.flat());
  const bytes = Buffer.concat([Buffer.from(positions.buffer), Buffer.from(indices.buffer)]);
  const min = [0, 1, 2].map((a) => Math.min(...positions.filter((_, i) => i % 3 === a)));
  const max = [0, 1, 2].map((a) => Math.max(...positions.filter((_, i) => i % 3 === a)));
  const gltf = {
    asset: { version: '2.0', generator: 'KELPRIS make_mesh_samples.js' },
    scene: 0,
    scenes: [{ nodes: [0] }],
    nodes: [{ mesh: 0, name: 'teapot' }],
    meshes: [{ primitives: [{ attributes: { POSITION: 0 }, indices: 1, mode: 4 }] }],
    buffers: [{ byteLength: bytes.length,
      uri: 'data:application/octet-stream;base64,' + bytes.toString('base64') }],
    bufferViews: [
      { buffer: 0, byteOffset: 0, byteLength: positions.byteLength, target: 34962 },
      { buffer: 0, byteOffset: positions.byteLength, byteLength: indices.byteLength,
        target: 34963 },
    ],
    accessors: [
      { bufferView: 0, componentType: 5126, count: scene.vertices.length, type: 'VEC3', min, max },
      { bufferView: 1, componentType: 5125, count: indices.length, type: 'SCALAR' },
    ],
  };
  fs.writeFileSync(file, JSON.stringify(gltf) + '\n');
}

function writeBinaryPly(file, scene) {
  const header = 'ply\nformat binary_little_endian 1.0\n' +
    'comment KELPRIS sample: the house built of faces\n' +
    `element vertex ${scene.vertices.length}\n` +
    'property float x\nproperty float y\nproperty float z\n' +
    `element face ${scene.records.length}\n` +
    'property list uchar int vertex_indices\nend_header\n';
  const size = scene.vertices.length * 12 +
    scene.records.reduce((n, r) => n + 1 + 4 * r.length, 0);
  const body = Buffer.alloc(size);
  let at = 0;
  for (const v of scene.vertices) for (const c of v) { body.writeFloatLE(c, at); at += 4; }
  for (const r of scene.records) {
    body.writeUInt8(r.length, at++);
    for (const i of r) { body.writeInt32LE(i, at); at += 4; }
  }
  fs.writeFileSync(file, Buffer.concat([Buffer.from(header, 'latin1'), body]));
}

const bunny = readScene(path.join(here, 'bunny.dat'));
const teapot = readScene(path.join(here, 'teapot.dat'));
const house = readScene(path.join(here, 'house_faces.dat'));
const wireframe = readScene(path.join(here, '..', 'dom.dat'));

writeBinaryStl(path.join(here, 'bunny.stl'), bunny, 0.0873);
writeObjFaces(path.join(here, 'teapot.obj'), teapot, 1 / 64, 'KELPRIS sample: Utah teapot (public domain), z up');
writeGltf(path.join(here, 'teapot.gltf'), teapot, 1 / 64);
writeBinaryPly(path.join(here, 'house_faces.ply'), house);
writeObjLines(path.join(here, 'house_edges.obj'), wireframe, 'KELPRIS sample: the wireframe house, z up');
