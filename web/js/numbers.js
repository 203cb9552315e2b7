// The decimal and grouping marks of the page's language (Intl.NumberFormat):
// 0,625 on a German phone, 10,000 = ten thousand on an English one.
export function numberMarks() {
  const parts = new Intl.NumberFormat(navigator.language).formatToParts(12345.6);
  const part = (type, fallback) => (parts.find((p) => p.type === type) || { value: fallback }).value;
  return { decimal: part('decimal', '.'), group: part('group', '') };
}
