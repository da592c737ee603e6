import * as THREE from 'three';
import { GLTFLoader } from 'three/addons/loaders/GLTFLoader.js';

// A colour no terrain of the examples has, so that every other pixel is terrain; the
// README's picture asks for a quieter one (?background=RRGGBB).
const asked = new URLSearchParams(window.location.search).get('background');
const background = /^[0-9a-f]{6}$/i.test(asked ?? '')
  ? [0, 2, 4].map((at) => parseInt(asked.slice(at, at + 2), 16))
  : [255, 0, 255];

function meanOf(pixels, keep) {
  const sum = [0, 0, 0];
  let count = 0;
  for (let i = 0; i < pixels.length; i += 4) {
    if (!keep(pixels, i)) continue;
    for (let c = 0; c < 3; ++c) sum[c] += pixels[i + c];
    ++count;
  }
  return { count, mean: sum.map((s) => (count > 0 ? s / count : 0)) };
}

async function previewMean() {
  const image = new Image();
  image.src = 'preview.png';
  await image.decode();
  const canvas = document.createElement('canvas');
  canvas.width = image.width;
  canvas.height = image.height;
  const context = canvas.getContext('2d');
  context.drawImage(image, 0, 0);
  const pixels = context.getImageData(0, 0, image.width, image.height).data;
  return meanOf(pixels, () => true).mean;
}

async function main() {
  const width = window.innerWidth;
  const height = window.innerHeight;
  const renderer = new THREE.WebGLRenderer({ antialias: true, preserveDrawingBuffer: true });
  renderer.setPixelRatio(1);
  renderer.setSize(width, height);
  renderer.setClearColor(new THREE.Color().setRGB(...background.map((c) => c / 255),
                                                  THREE.SRGBColorSpace));
  document.body.appendChild(renderer.domElement);

  const gltf = await new GLTFLoader().loadAsync('terrain.glb');
  const scene = new THREE.Scene();
  scene.add(gltf.scene);

  // Seen from the south (+z) and above, looking north along -z, the terrain's centre in the
  // middle of the picture, far enough back that its width fits.
  const box = new THREE.Box3().setFromObject(gltf.scene);
  const centre = box.getCenter(new THREE.Vector3());
  const size = box.getSize(new THREE.Vector3());
  const camera = new THREE.PerspectiveCamera(35, width / height, 1, 1e7);
  const elevation = THREE.MathUtils.degToRad(55);
  const halfFov = THREE.MathUtils.degToRad(camera.fov / 2);
  const fitWidth = size.x / 2 / Math.tan(halfFov) / camera.aspect;
  const fitDepth = size.z / 2 / Math.tan(halfFov) * Math.sin(elevation);
  const distance = 0.92 * Math.max(fitWidth, fitDepth) + size.z / 2 * Math.cos(elevation);
  camera.position.set(centre.x, centre.y + distance * Math.sin(elevation),
                      centre.z + distance * Math.cos(elevation));
  camera.lookAt(centre);
  renderer.render(scene, camera);

  const gl = renderer.getContext();
  const pixels = new Uint8Array(width * height * 4);
  gl.readPixels(0, 0, width, height, gl.RGBA, gl.UNSIGNED_BYTE, pixels);
  const terrain = meanOf(pixels, (p, i) =>
    Math.abs(p[i] - background[0]) + Math.abs(p[i + 1] - background[1]) +
    Math.abs(p[i + 2] - background[2]) > 30);
  window.result = {
    renderer: gl.getParameter(gl.VERSION),
    triangles: gltf.scene.children[0]?.geometry?.index?.count / 3,
    terrainShare: terrain.count / (width * height),
    terrainMean: terrain.mean,
    previewMean: await previewMean(),
  };
}

main().catch((error) => {
  window.result = { error: String(error && error.stack || error) };
});
