// The compiler counts bytes of UTF-8; the editor counts UTF-16 code units.
const encoder = new TextEncoder();

// A function from a byte offset of the text's UTF-8 to an index of the text.
export function byteToIndex(text) {
  if (/^[\x00-\x7f]*$/.test(text)) return (offset) => Math.min(offset, text.length);
  const indexOfByte = [];
  let index = 0;
  for (const character of text) {
    const length = encoder.encode(character).length;
    for (let i = 0; i < length; i++) indexOfByte.push(index);
    index += character.length;
  }
  indexOfByte.push(text.length);
  return (offset) => indexOfByte[Math.min(offset, indexOfByte.length - 1)];
}
