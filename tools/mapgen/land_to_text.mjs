// Writes the Natural Earth 1:10m land polygons (public domain, from the npm package world-atlas)
// around Great Britain as plain text for mapgen: one "ring <count>" line per polygon ring,
// followed by <count> lines "<longitude> <latitude>" in degrees.
// Usage: node land_to_text.mjs [output file, default land.txt]
import { readFileSync, writeFileSync } from "node:fs";
import { createRequire } from "node:module";
import { feature } from "topojson-client";

const require = createRequire(import.meta.url);
const topology = JSON.parse(readFileSync(require.resolve("world-atlas/land-10m.json"), "utf8"));
const land = feature(topology, topology.objects.land);

// Generous box around the National Grid area (about 9.5 W .. 3.6 E, 49.7 N .. 61.5 N).
const box = { west: -14, east: 7, south: 46, north: 64 };
const touchesBox = (ring) => {
  let [w, e, s, n] = [Infinity, -Infinity, Infinity, -Infinity];
  for (const [lon, lat] of ring) {
    w = Math.min(w, lon); e = Math.max(e, lon);
    s = Math.min(s, lat); n = Math.max(n, lat);
  }
  return w <= box.east && e >= box.west && s <= box.north && n >= box.south;
};

const polygons = land.features.flatMap((f) =>
  f.geometry.type === "MultiPolygon" ? f.geometry.coordinates : [f.geometry.coordinates]);
const out = [];
let rings = 0;
for (const polygon of polygons) {
  for (const ring of polygon) {
    if (!touchesBox(ring)) continue;
    out.push(`ring ${ring.length}`);
    for (const [lon, lat] of ring) out.push(`${lon} ${lat}`);
    rings += 1;
  }
}
const file = process.argv[2] ?? "land.txt";
writeFileSync(file, out.join("\n") + "\n");
console.log(`${file}: ${rings} rings`);
