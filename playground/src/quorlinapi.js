// The WebAssembly module's entry points as JavaScript functions. Scripts go
// in as text (encoded as UTF-8) or bytes; answers come back as objects.
const encoder = new TextEncoder();
const decoder = new TextDecoder();

function bytesOf(input) {
  return typeof input === 'string' ? encoder.encode(input) : input;
}

export function wrapQuorlin(module) {
  // Copies the input into the module's memory, calls, and reads the JSON
  // answer, which ends at its NUL.
  function call(entry, input, ...rest) {
    const bytes = bytesOf(input);
    const pointer = module._malloc(bytes.length + 1);
    module.HEAPU8.set(bytes, pointer);
    const answer = entry(pointer, bytes.length, ...rest);
    module._free(pointer);
    const heap = module.HEAPU8;
    const end = heap.indexOf(0, answer);
    return JSON.parse(decoder.decode(heap.subarray(answer, end)));
  }
  function callWithName(entry, input, name) {
    const nameBytes = encoder.encode(name + '\0');
    const namePointer = module._malloc(nameBytes.length);
    module.HEAPU8.set(nameBytes, namePointer);
    const answer = call(entry, input, namePointer);
    module._free(namePointer);
    return answer;
  }
  return {
    compile: (script) => call(module._quorlin_compile, script),
    diagnose: (script) => call(module._quorlin_diagnose, script),
    format: (script) => call(module._quorlin_format, script),
    listing: (bytes) => call(module._quorlin_listing, bytes),
    decompile: (bytes, name) => callWithName(module._quorlin_decompile, bytes, name),
  };
}
