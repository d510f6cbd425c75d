// The panels beside the editor: the budget, the listing and the bytes.
export function renderBudget(element, result) {
  element.replaceChildren(
    ...result.budget.map((line) => {
      const item = document.createElement('li');
      item.textContent = line;
      return item;
    }),
  );
}

// Sixteen bytes a line, each line headed by its offset.
export function hexText(bytes) {
  const lines = [];
  for (let offset = 0; offset < bytes.length; offset += 16) {
    const row = bytes.slice(offset, offset + 16).map((byte) => byte.toString(16).padStart(2, '0'));
    lines.push(offset.toString(16).padStart(4, '0') + '  ' + row.join(' '));
  }
  return lines.join('\n');
}

export function download(bytes, name) {
  const link = document.createElement('a');
  link.href = URL.createObjectURL(new Blob([Uint8Array.from(bytes)], { type: 'application/octet-stream' }));
  link.download = name;
  link.click();
  setTimeout(() => URL.revokeObjectURL(link.href), 1000);
}
