// Signs requests with the AWS SDK's own Signature Version 4 signer, for the client's tests to
// compare against. Reads a JSON array of cases from the file named by the first argument:
//   { method, host, bucket, key, prefix (absent: no query), body (base64), region,
//     accessKeyID, secretKey, time (Unix seconds) }
// and prints a JSON array of { payloadHash, authorization }, one per case, in order.
'use strict';

const crypto = require('node:crypto');
const fs = require('node:fs');
const { SignatureV4 } = require('@smithy/signature-v4');
const { escapeUriPath } = require('@smithy/core/protocols');

// The signer's hash interface: a SHA-256, or an HMAC-SHA256 when given a secret.
class Sha256 {
  constructor(secret) {
    this.hash = secret === undefined ? crypto.createHash('sha256') : crypto.createHmac('sha256', secret);
  }
  update(data) {
    this.hash.update(data);
  }
  async digest() {
    return new Uint8Array(this.hash.digest());
  }
}

async function sign(c) {
  const signer = new SignatureV4({
    service: 's3',
    region: c.region,
    credentials: { accessKeyId: c.accessKeyID, secretAccessKey: c.secretKey },
    sha256: Sha256,
    uriEscapePath: false, // S3 signs the path as sent, encoded once
  });
  const query = c.prefix === undefined ? {} : { delimiter: '/', 'list-type': '2', 'max-keys': '1000', prefix: c.prefix };
  const signed = await signer.sign(
    {
      method: c.method,
      protocol: 'https:',
      hostname: c.host,
      path: '/' + escapeUriPath(c.bucket) + '/' + escapeUriPath(c.key),
      query,
      headers: { host: c.host },
      body: Buffer.from(c.body, 'base64'),
    },
    { signingDate: new Date(c.time * 1000) },
  );
  return { payloadHash: signed.headers['x-amz-content-sha256'], authorization: signed.headers.authorization };
}

(async () => {
  const cases = JSON.parse(fs.readFileSync(process.argv[2], 'utf8'));
  const results = [];
  for (const c of cases) results.push(await sign(c));
  process.stdout.write(JSON.stringify(results));
})().catch((error) => {
  console.error(error);
  process.exit(1);
});
