// The tileset beside this page, drawn by three.js and 3d-tiles-renderer: orbit and zoom with
// the mouse; nodes of finer levels load as the camera comes closer. window.viewer tells a
// test what is loaded and shown.
import * as THREE from 'three';
import { OrbitControls } from 'three/addons/controls/OrbitControls.js';
import { TilesRenderer } from '3d-tiles-renderer';

const renderer = new THREE.WebGLRenderer({ antialias: true, preserveDrawingBuffer: true });
renderer.setPixelRatio(window.devicePixelRatio);
renderer.setSize(window.innerWidth, window.innerHeight);
renderer.setClearColor(0x9bb7d4);
document.body.appendChild(renderer.domElement);

const scene = new THREE.Scene();
const camera = new THREE.PerspectiveCamera(45, window.innerWidth / window.innerHeight, 1, 1e8);
const controls = new OrbitControls(camera, renderer.domElement);
controls.maxPolarAngle = Math.PI / 2;

const tiles = new TilesRenderer(new URL('tileset.json', window.location.href).href);
tiles.setCamera(camera);
tiles.setResolutionFromRenderer(camera, renderer);
scene.add(tiles.group);

// What is shown, by the level in each node's file name (tiles/LEVEL/...; 0: the leaves).
const shown = new Map();
const errors = [];
let radius = 0;
tiles.addEventListener('tile-visibility-change', ({ tile, visible }) => {
  const uri = tile.content?.uri ?? '';
  const level = Number(/tiles\/(\d+)\//.exec(uri)?.[1]);
  if (visible) shown.set(uri, level); else shown.delete(uri);
});
tiles.addEventListener('load-error', ({ error, url }) => {
  errors.push(`${url}: ${error}`);
  console.error(`cannot load ${url}: ${error}`);
});

// Once the root is known: the terrain turned z-up to three's y-up (on the globe, its local
// vertical made three's y), its centre at the origin, the camera above it from the south.
tiles.addEventListener('load-root-tileset', () => {
  if (radius > 0) return;
  const sphere = new THREE.Sphere();
  if (!tiles.getBoundingSphere(sphere)) return;
  const centre = sphere.center.clone();
  const up = centre.length() > 1e6 ? centre.clone().normalize() : new THREE.Vector3(0, 0, 1);
  tiles.group.quaternion.setFromUnitVectors(up, new THREE.Vector3(0, 1, 0));
  tiles.group.position.copy(centre.applyQuaternion(tiles.group.quaternion).negate());
  radius = sphere.radius;
  camera.position.set(0, 0.9 * radius, 1.4 * radius);
  camera.near = radius / 1000;
  camera.far = radius * 100;
  camera.updateProjectionMatrix();
  controls.target.set(0, 0, 0);
  controls.update();
});

window.addEventListener('resize', () => {
  camera.aspect = window.innerWidth / window.innerHeight;
  camera.updateProjectionMatrix();
  renderer.setSize(window.innerWidth, window.innerHeight);
  tiles.setResolutionFromRenderer(camera, renderer);
});

window.viewer = {
  camera,
  controls,
  errors,
  get radius() { return radius; },
  get levels() { return [...new Set(shown.values())].sort((a, b) => a - b); },
  get loading() { return tiles.loadProgress < 1; },
};

renderer.setAnimationLoop(() => {
  controls.update();
  camera.updateMatrixWorld();
  tiles.update();
  renderer.render(scene, camera);
});
