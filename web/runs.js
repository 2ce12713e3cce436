// Runs as the page passes them around. A run is a recording, the bytes that
// `zorbly --record` writes; the page saves one as a file, reads one from a
// file, and carries one in its address as #run= and the recording deflated
// (the browser's CompressionStream, zlib's format: its checksum tells a link
// that lost or changed characters) and base64url-encoded (letters, digits,
// - and _, which an address carries as they are).
//
// Nothing here knows the script language: the game checks a run's lines.
// A run is read only up to the page's limit and one byte more, so that an
// oversized file or link costs no more than that and the game can say it is
// too long.

// A run that cannot be read; `message` says why ("it is cut off").
export class RunError extends Error {}

const BASE64URL = /^[A-Za-z0-9_-]*$/;

// The address of the page that plays `bytes`: this page, #run=...
export async function runLink(bytes) {
  const packed = await new Response(new Blob([bytes]).stream().pipeThrough(new CompressionStream('deflate')))
    .arrayBuffer();
  return `${location.origin}${location.pathname}#run=${toBase64url(new Uint8Array(packed))}`;
}

// The run in an address's #run= part (`encoded`, without "#run="), at most
// limit + 1 bytes of it. Throws RunError.
export async function runFromLink(encoded, limit) {
  if (encoded === '') throw new RunError('the link holds no run after #run=');
  if (!BASE64URL.test(encoded) || encoded.length % 4 === 1) {
    throw new RunError('it is not base64url text (letters, digits, - and _)');
  }
  // Compressed, a run is smaller than itself: past that, it is not one.
  if (encoded.length > Math.ceil(((limit + 64) * 4) / 3)) throw new RunError('the link is too long to hold a run');
  const packed = Uint8Array.from(atob(encoded.replaceAll('-', '+').replaceAll('_', '/')), (c) => c.charCodeAt(0));
  try {
    return await readUpTo(new Blob([packed]).stream().pipeThrough(new DecompressionStream('deflate')), limit + 1);
  } catch {
    throw new RunError('it is cut off or damaged (what it holds does not unpack)');
  }
}

// The first limit + 1 bytes of a file, or all of it.
export async function runFromFile(file, limit) {
  try {
    return new Uint8Array(await file.slice(0, limit + 1).arrayBuffer());
  } catch {
    throw new RunError('it cannot be read');
  }
}

// Hands `bytes` to the browser as a download named `name`.
export function saveRun(bytes, name) {
  const url = URL.createObjectURL(new Blob([bytes], { type: 'text/plain' }));
  const link = Object.assign(document.createElement('a'), { href: url, download: name });
  document.body.append(link);
  link.click();
  link.remove();
  setTimeout(() => URL.revokeObjectURL(url), 60_000);
}

// "zorbly-score-35-2026-12-09.txt" for "score-35": the day as the player's clock has it.
export function runFileName(label, when = new Date()) {
  const two = (n) => String(n).padStart(2, '0');
  return `zorbly-${label}-${when.getFullYear()}-${two(when.getMonth() + 1)}-${two(when.getDate())}.txt`;
}

// --- bytes ---------------------------------------------------------------------------

async function readUpTo(stream, most) {
  const reader = stream.getReader();
  const chunks = [];
  let size = 0;
  for (;;) {
    const { done, value } = await reader.read();
    if (done) break;
    chunks.push(value);
    size += value.length;
    if (size >= most) {
      reader.cancel().catch(() => {});
      break;
    }
  }
  const bytes = new Uint8Array(Math.min(size, most));
  let at = 0;
  for (const chunk of chunks) {
    bytes.set(chunk.subarray(0, bytes.length - at), at);
    at += Math.min(chunk.length, bytes.length - at);
  }
  return bytes;
}

function toBase64url(bytes) {
  let binary = '';
  for (let at = 0; at < bytes.length; at += 0x8000) {
    binary += String.fromCharCode(...bytes.subarray(at, at + 0x8000));
  }
  return btoa(binary).replaceAll('+', '-').replaceAll('/', '_').replace(/=+$/, '');
}
