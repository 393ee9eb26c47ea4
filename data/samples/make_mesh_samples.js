#!/usr/bin/env node
// Writes the sample models in mesh formats from the bundled scene files, so
// that every format the importer reads has a small real model to try:
//   bunny.stl          binary STL, the bunny scaled by 0.0873 (z up)
//   teapot.obj         OBJ triangles, the teapot / 64 (y up, as OBJ files
//                      usually are; exact decimals)
//   teapot.gltf        glTF 2.0 with an embedded buffer, the same floats as
//                      teapot.obj but y up and front +z, as glTF has it
//   teapot.glb         the same glTF as one binary file
//   teapot.3mf         3MF (z up), the same floats as teapot.obj
//   house_faces.ply    binary little-endian PLY with the house's quads (y up)
//   house_edges.obj    OBJ lines of the wireframe house (an edge model, y up)
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
// Y up with the front towards +z, as glTF, OBJ and PLY files usually are: the
// viewer turns (x, y, z) into (-x, z, y), so the z-up point (X, Y, Z) is
// stored as (-X, Z, Y).
const yUp = (v) => [-v[0], v[2], v[1]];
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
  for (const v of scene.vertices) s += `v ${yUp(v).map((c) => text(c * scale)).join(' ')}\n`;
  for (const r of scene.records) s += `f ${r.map((i) => i + 1).join(' ')}\n`;
  fs.writeFileSync(file, s);
}

function writeObjLines(file, scene, title) {
  let s = `# ${title}\n`;
  for (const v of scene.vertices) s += `v ${yUp(v).map(String).join(' ')}\n`;
  for (const r of scene.records) s += `l ${r[0] + 1} ${r[1] + 1}\n`;
  fs.writeFileSync(file, s);
}

function gltfOf(scene, scale) {
  const positions = new Float32Array(scene.vertices.length * 3);
  scene.vertices.forEach((v, i) => {
    yUp(v).forEach((c, a) => { positions[3 * i + a] = f32(c * scale); });
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
    buffers: [{ byteLength: bytes.length }],
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
  return { gltf, bytes };
}

function writeGltf(file, scene, scale) {
  const { gltf, bytes } = gltfOf(scene, scale);
  gltf.buffers[0].uri = 'data:application/octet-stream;base64,' + bytes.toString('base64');
  fs.writeFileSync(file, JSON.stringify(gltf) + '\n');
}

// GLB: a 12-byte header, then a JSON chunk and a BIN chunk, each padded to 4.
function writeGlb(file, scene, scale) {
  const { gltf, bytes } = gltfOf(scene, scale);
  const pad = (b, fill) => Buffer.concat([b, Buffer.alloc((4 - (b.length % 4)) % 4, fill)]);
  const json = pad(Buffer.from(JSON.stringify(gltf)), 0x20);
  const bin = pad(bytes, 0);
  const chunk = (type, body) => {
    const head = Buffer.alloc(8);
    head.writeUInt32LE(body.length, 0);
    head.writeUInt32LE(type, 4);
    return Buffer.concat([head, body]);
  };
  const body = Buffer.concat([chunk(0x4e4f534a, json), chunk(0x004e4942, bin)]);
  const head = Buffer.alloc(12);
  head.write('glTF', 0, 'latin1');
  head.writeUInt32LE(2, 4);
  head.writeUInt32LE(12 + body.length, 8);
  fs.writeFileSync(file, Buffer.concat([head, body]));
}

function crc32(bytes) {
  let crc = 0xffffffff;
  for (const byte of bytes) {
    crc ^= byte;
    for (let k = 0; k < 8; ++k) crc = (crc >>> 1) ^ (0xedb88320 & -(crc & 1));
  }
  return (crc ^ 0xffffffff) >>> 0;
}

// A zip archive with stored (uncompressed) entries and a fixed date.
function zip(entries) {
  const locals = [];
  const centrals = [];
  let offset = 0;
  for (const [name, data] of entries) {
    const nameBytes = Buffer.from(name, 'latin1');
    const crc = crc32(data);
    const local = Buffer.alloc(30);
    local.writeUInt32LE(0x04034b50, 0);
    local.writeUInt16LE(20, 4);
    local.writeUInt16LE(0x21, 12); // 1980-01-01
    local.writeUInt32LE(crc, 14);
    local.writeUInt32LE(data.length, 18);
    local.writeUInt32LE(data.length, 22);
    local.writeUInt16LE(nameBytes.length, 26);
    const central = Buffer.alloc(46);
    central.writeUInt32LE(0x02014b50, 0);
    central.writeUInt16LE(20, 4);
    central.writeUInt16LE(20, 6);
    central.writeUInt16LE(0x21, 14);
    central.writeUInt32LE(crc, 16);
    central.writeUInt32LE(data.length, 20);
    central.writeUInt32LE(data.length, 24);
    central.writeUInt16LE(nameBytes.length, 28);
    central.writeUInt32LE(offset, 42);
    locals.push(local, nameBytes, data);
    centrals.push(central, nameBytes);
    offset += 30 + nameBytes.length + data.length;
  }
  const directory = Buffer.concat(centrals);
  const end = Buffer.alloc(22);
  end.writeUInt32LE(0x06054b50, 0);
  end.writeUInt16LE(entries.length, 8);
  end.writeUInt16LE(entries.length, 10);
  end.writeUInt32LE(directory.length, 12);
  end.writeUInt32LE(offset, 16);
  return Buffer.concat([...locals, directory, end]);
}

function write3mf(file, scene, scale) {
  const vertices = scene.vertices
    .map((v) => `<vertex x="${text(v[0] * scale)}" y="${text(v[1] * scale)}" z="${text(v[2] * scale)}"/>`)
    .join('\n');
  const triangles = scene.records
    .map((r) => `<triangle v1="${r[0]}" v2="${r[1]}" v3="${r[2]}"/>`).join('\n');
  const model = '<?xml version="1.0" encoding="UTF-8"?>\n' +
    '<model unit="millimeter" xml:lang="en-US" ' +
    'xmlns="http://schemas.microsoft.com/3dmanufacturing/core/2015/02">\n' +
    '<resources><object id="1" type="model"><mesh>\n' +
    `<vertices>\n${vertices}\n</vertices>\n<triangles>\n${triangles}\n</triangles>\n` +
    '</mesh></object></resources>\n<build><item objectid="1"/></build>\n</model>\n';
  const types = '<?xml version="1.0" encoding="UTF-8"?>\n' +
    '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">' +
    '<Default Extension="rels" ' +
    'ContentType="application/vnd.openxmlformats-package.relationships+xml"/>' +
    '<Default Extension="model" ' +
    'ContentType="application/vnd.ms-package.3dmanufacturing-3dmodel+xml"/></Types>\n';
  const rels = '<?xml version="1.0" encoding="UTF-8"?>\n' +
    '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">' +
    '<Relationship Target="/3D/3dmodel.model" Id="rel0" ' +
    'Type="http://schemas.microsoft.com/3dmanufacturing/2013/01/3dmodel"/></Relationships>\n';
  fs.writeFileSync(file, zip([
    ['[Content_Types].xml', Buffer.from(types)],
    ['_rels/.rels', Buffer.from(rels)],
    ['3D/3dmodel.model', Buffer.from(model)],
  ]));
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
  for (const v of scene.vertices) for (const c of yUp(v)) { body.writeFloatLE(c, at); at += 4; }
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
writeObjFaces(path.join(here, 'teapot.obj'), teapot, 1 / 64, 'KELPRIS sample: Utah teapot (public domain), y up');
writeGltf(path.join(here, 'teapot.gltf'), teapot, 1 / 64);
writeGlb(path.join(here, 'teapot.glb'), teapot, 1 / 64);
write3mf(path.join(here, 'teapot.3mf'), teapot, 1 / 64);
writeBinaryPly(path.join(here, 'house_faces.ply'), house);
writeObjLines(path.join(here, 'house_edges.obj'), wireframe, 'KELPRIS sample: the wireframe house, y up');
